#pragma once
// Bytes, base64 and UTF-8.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }
inline std::string stringOf(std::span<const std::uint8_t> b) {
  return std::string(b.begin(), b.end());
}

// Standard alphabet with padding; with lineBreaks, "\r\n" after every 64 characters.
std::string base64Encode(std::span<const std::uint8_t> data, bool lineBreaks = false);
// Strict: standard alphabet, correct padding, no whitespace unless ignoreWhitespace.
std::optional<Bytes> base64Decode(std::string_view text, bool ignoreWhitespace = false);

// Well-formed UTF-8 (no overlong forms, surrogates or code points above U+10FFFF).
bool isValidUTF8(std::string_view text);

}  // namespace foundation
