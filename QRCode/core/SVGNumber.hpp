#pragma once
// The number form of SVG output: "." as decimal separator, no grouping, at most three
// fraction digits (rounded half-to-even on the shortest digits), no trailing zeros, a whole
// number without a decimal point, "-0" written "0". 1.0/3 -> "0.333", 10 -> "10".
// A non-finite value (which no drawable geometry holds) is written "0", so that the
// document stays valid SVG.

#include <cstddef>
#include <string>

namespace qrcore {
std::string svgNumberString(double value);

// Appends the same text to out without building a string of its own.
void appendSVGNumber(std::string& out, double value);

// The longest text of one number: a sign, the 309 integer digits of the largest double,
// a point and three fraction digits.
inline constexpr std::size_t kMaxSVGNumberLength = 314;
// Writes the same text at out, which has room for kMaxSVGNumberLength characters, and
// returns its end; the path data writer's per-number step.
char* writeSVGNumber(char* out, double value);
}  // namespace qrcore
