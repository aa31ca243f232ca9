#pragma once
// The number form of SVG output: "." as decimal separator, no grouping, at most three
// fraction digits (rounded half-to-even on the shortest digits), no trailing zeros, a whole
// number without a decimal point, "-0" written "0". 1.0/3 -> "0.333", 10 -> "10".

#include <string>

std::string svgNumberString(double value);
