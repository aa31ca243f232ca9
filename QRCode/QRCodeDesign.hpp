#pragma once
// The look of a QR code: design, shape, style, shadow, fill styles and logo template.

#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleFactory.hpp"
#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
