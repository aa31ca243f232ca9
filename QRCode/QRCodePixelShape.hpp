#pragma once
// The pixel-shape family: the generator interface and its settings record, the inset
// generators, the common pixel generator with its twelve shapes, and the factory.

#include "QRCode/pixel/CommonPixelGenerator.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/GeneratorSettingsRecord.hpp"
#include "QRCode/pixel/QRCodeGeneratorFactory.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeBars.hpp"
#include "QRCode/pixel/QRCodePixelShapeRoundedEndIndent.hpp"
#include "QRCode/pixel/QRCodePixelShapeRoundedPath.hpp"
#include "QRCode/pixel/NeighbourPixelShape.hpp"
#include "QRCode/pixel/QRCodePixelShapeBlob.hpp"
#include "QRCode/pixel/QRCodePixelShapeCircuit.hpp"
#include "QRCode/pixel/QRCodePixelShapeCurvePixel.hpp"
#include "QRCode/pixel/QRCodePixelShapePointyRazor.hpp"
