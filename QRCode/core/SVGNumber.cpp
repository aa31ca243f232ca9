#include "QRCode/core/SVGNumber.hpp"

#include "platform/foundation/Numbers.hpp"

std::string svgNumberString(double value) { return foundation::fixedString(value, 3); }
