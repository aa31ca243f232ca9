#pragma once
// The eye shapes: the generator interface, the eye classes and their factory.

#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"
#include "QRCode/eye/QRCodeEyeShapeUsePixelShape.hpp"
#include "QRCode/eye/QRCodeEyeShapesBar.hpp"
#include "QRCode/eye/QRCodeEyeShapesConfigurable.hpp"
#include "QRCode/eye/QRCodeEyeShapesOutline.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
