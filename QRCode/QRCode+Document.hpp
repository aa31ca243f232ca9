#pragma once
// The QR document with everything that describes its look.

#include "QRCode/QRCodeDesign.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
