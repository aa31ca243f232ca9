#include "platform/foundation/Text.hpp"

#include <array>

namespace foundation {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of each alphabet character; -1 for every other byte.
constexpr std::array<std::int8_t, 256> makeDecodeTable() {
  std::array<std::int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  return table;
}
constexpr auto kDecode = makeDecodeTable();

bool isWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

std::string base64Encode(std::span<const std::uint8_t> data, bool lineBreaks) {
  const std::size_t length = (data.size() + 2) / 3 * 4;
  std::string out;
  out.reserve(length + (lineBreaks ? length / 64 * 2 : 0));
  std::size_t column = 0;
  auto put = [&](char c) {
    if (lineBreaks && column == 64) {
      out += "\r\n";
      column = 0;
    }
    out += c;
    ++column;
  };
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const std::uint32_t v = (std::uint32_t{data[i]} << 16) | (std::uint32_t{data[i + 1]} << 8) | data[i + 2];
    put(kAlphabet[(v >> 18) & 63]);
    put(kAlphabet[(v >> 12) & 63]);
    put(kAlphabet[(v >> 6) & 63]);
    put(kAlphabet[v & 63]);
  }
  const std::size_t rest = data.size() - i;
  if (rest == 1) {
    const std::uint32_t v = std::uint32_t{data[i]} << 16;
    put(kAlphabet[(v >> 18) & 63]);
    put(kAlphabet[(v >> 12) & 63]);
    put('=');
    put('=');
  } else if (rest == 2) {
    const std::uint32_t v = (std::uint32_t{data[i]} << 16) | (std::uint32_t{data[i + 1]} << 8);
    put(kAlphabet[(v >> 18) & 63]);
    put(kAlphabet[(v >> 12) & 63]);
    put(kAlphabet[(v >> 6) & 63]);
    put('=');
  }
  return out;
}

std::optional<Bytes> base64Decode(std::string_view text, bool ignoreWhitespace) {
  // Whole groups of four alphabet characters, as long as they last, four at a time; the
  // rest (blanks, padding, anything refused) character by character.
  Bytes out(text.size() / 4 * 3);
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t read = 0, written = 0;
  for (; read + 4 <= text.size(); read += 4, written += 3) {
    const int a = kDecode[in[read]], b = kDecode[in[read + 1]], c = kDecode[in[read + 2]], d = kDecode[in[read + 3]];
    if ((a | b | c | d) < 0) break;
    const auto v = static_cast<std::uint32_t>((a << 18) | (b << 12) | (c << 6) | d);
    out[written] = static_cast<std::uint8_t>(v >> 16);
    out[written + 1] = static_cast<std::uint8_t>(v >> 8);
    out[written + 2] = static_cast<std::uint8_t>(v);
  }
  out.resize(written);
  std::uint32_t quad[4];
  int filled = 0;
  int padding = 0;  // '=' seen in the current group
  bool finished = false;  // a padded group ended the data
  for (const char c : text.substr(read)) {
    if (ignoreWhitespace && isWhitespace(c)) continue;
    if (finished) return std::nullopt;
    if (c == '=') {
      // Padding may only fill the last one or two places of a group.
      if (filled < 2) return std::nullopt;
      ++padding;
      ++filled;
    } else {
      if (padding > 0) return std::nullopt;
      const int v = kDecode[static_cast<unsigned char>(c)];
      if (v < 0) return std::nullopt;
      quad[filled++] = static_cast<std::uint32_t>(v);
    }
    if (filled == 4) {
      if (padding == 0) {
        const std::uint32_t v = (quad[0] << 18) | (quad[1] << 12) | (quad[2] << 6) | quad[3];
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
        out.push_back(static_cast<std::uint8_t>(v));
      } else if (padding == 1) {
        // The unused low bits must be zero, so that each text has one meaning.
        if (quad[2] & 3) return std::nullopt;
        const std::uint32_t v = (quad[0] << 18) | (quad[1] << 12) | (quad[2] << 6);
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
        finished = true;
      } else {
        if (quad[1] & 15) return std::nullopt;
        const std::uint32_t v = (quad[0] << 18) | (quad[1] << 12);
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        finished = true;
      }
      filled = 0;
      padding = 0;
    }
  }
  if (filled != 0) return std::nullopt;
  return out;
}

bool isValidUTF8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    std::uint32_t cp;
    std::uint32_t minimum;
    if ((c & 0xE0) == 0xC0) {
      extra = 1; cp = c & 0x1F; minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2; cp = c & 0x0F; minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3; cp = c & 0x07; minimum = 0x10000;
    } else {
      return false;  // a continuation byte or 0xF8..0xFF as a lead byte
    }
    if (n - i <= static_cast<std::size_t>(extra)) return false;  // truncated
    for (int k = 1; k <= extra; ++k) {
      const unsigned char t = s[i + static_cast<std::size_t>(k)];
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < minimum) return false;                    // overlong
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;    // surrogate
    if (cp > 0x10FFFF) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

}  // namespace foundation
