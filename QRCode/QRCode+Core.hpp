#pragma once
// The QR core: model, module matrix, engines, errors and levels, corner sets, the seeded
// random source and settings readers, path helpers and SVG numbers, detection in images,
// the debouncer and small utilities.

#include "QRCode/core/Array2D.hpp"
#include "QRCode/core/KvelDebounce.hpp"
#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/core/QRCodeDetection.hpp"
#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/core/QRCodeEngineCoreImage.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/core/QRCodeGeneratorFilter.hpp"
#include "QRCode/core/QRCodeMessageFormatter.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/core/QRCodeUtilities.hpp"
#include "QRCode/core/SVGNumber.hpp"
#include "QRCode/core/SplitMix64.hpp"
