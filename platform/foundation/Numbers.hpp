#pragma once
// Numbers in text, independent of the process locale.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// Shortest text that reads back to the same double, always with a fraction or an
// exponent: 1.0 -> "1.0", 0.8 -> "0.8", 1e-05 -> "1e-05", 2^53 -> "9007199254740992.0",
// 1e21 -> "1e+21". Exponent form below 1e-4 and above 2^54. "nan", "inf", "-inf".
std::string shortestString(double value);

// Fixed form with at most maxFractionDigits fraction digits, rounded half-to-even on the
// shortest round-trip digits, trailing zeros (and a trailing point) dropped, "-0" as "0":
// fixedString(0.0125, 3) == "0.012", fixedString(1e21, 3) == "1000000000000000000000".
std::string fixedString(double value, int maxFractionDigits);

// Reads a number with the C strtod grammar in the C locale (leading blanks, optional
// sign including "+", decimal and hexadecimal forms, "inf", "infinity", "nan" in any
// case). Returns none when no number starts the text; *consumed gets the characters read.
std::optional<double> readDouble(std::string_view text, std::size_t* consumed = nullptr);

// Like readDouble, but the whole text must be one number (surrounding blanks allowed).
std::optional<double> parseDouble(std::string_view text);

}  // namespace foundation
