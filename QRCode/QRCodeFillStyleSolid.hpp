#pragma once
// The fill-style interface, its factory, the shared clear fill and the solid fill.

#include "QRCode/design/QRCodeFillStyleFactory.hpp"
#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
