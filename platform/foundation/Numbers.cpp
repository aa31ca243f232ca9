#include "platform/foundation/Numbers.hpp"

#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace foundation {
namespace {

// The shortest round-trip digits of a finite, non-zero magnitude: value = 0.d1d2d3... x
// 10^pointPosition (that is, pointPosition digits stand before the decimal point).
struct Digits {
  char digits[32];
  int count = 0;
  int pointPosition = 0;
};

Digits shortestDigits(double magnitude) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  // "d.ddde+XX" or "de-XX"
  Digits d;
  const char* p = buffer;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p != '.') d.digits[d.count++] = *p;
  }
  int exponent = 0;
  if (p < result.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, exponent);
  d.pointPosition = exponent + 1;
  return d;
}

std::string nonFiniteString(double value) {
  if (std::isnan(value)) return "nan";
  return value < 0 ? "-inf" : "inf";
}

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Characters that strtod can read after the leading blanks: signs, digits, letters (hex
// digits, exponents, "inf", "nan"), the point and the brackets and underscores of "nan(...)".
bool isNumberCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' ||
         c == '-' || c == '.' || c == '(' || c == ')' || c == '_';
}

}  // namespace

std::string shortestString(double value) {
  if (!std::isfinite(value)) return nonFiniteString(value);
  std::string out;
  if (std::signbit(value)) out += '-';
  const double magnitude = std::fabs(value);
  if (magnitude == 0) {
    out += "0.0";
    return out;
  }
  const Digits d = shortestDigits(magnitude);
  constexpr double exponentFormAbove = 18014398509481984.0;  // 2^54
  if (magnitude < 1e-4 || magnitude > exponentFormAbove) {
    out += d.digits[0];
    if (d.count > 1) {
      out += '.';
      out.append(d.digits + 1, d.count - 1);
    }
    const int exponent = d.pointPosition - 1;
    out += exponent < 0 ? "e-" : "e+";
    const int e = exponent < 0 ? -exponent : exponent;
    if (e < 10) out += '0';
    out += std::to_string(e);
    return out;
  }
  if (d.pointPosition <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.pointPosition), '0');
    out.append(d.digits, d.count);
  } else if (d.pointPosition >= d.count) {
    out.append(d.digits, d.count);
    out.append(static_cast<std::size_t>(d.pointPosition - d.count), '0');
    out += ".0";
  } else {
    out.append(d.digits, d.pointPosition);
    out += '.';
    out.append(d.digits + d.pointPosition, d.count - d.pointPosition);
  }
  return out;
}

std::string fixedString(double value, int maxFractionDigits) {
  if (!std::isfinite(value)) return nonFiniteString(value);
  const int n = maxFractionDigits < 0 ? 0 : maxFractionDigits;
  const double magnitude = std::fabs(value);
  if (magnitude == 0) return "0";
  const Digits d = shortestDigits(magnitude);

  // Integer digits and fraction digits of the exact shortest decimal.
  std::string integer;
  std::string fraction;
  if (d.pointPosition <= 0) {
    integer = "0";
    fraction.assign(static_cast<std::size_t>(-d.pointPosition), '0');
    fraction.append(d.digits, d.count);
  } else if (d.pointPosition >= d.count) {
    integer.assign(d.digits, d.count);
    integer.append(static_cast<std::size_t>(d.pointPosition - d.count), '0');
  } else {
    integer.assign(d.digits, d.pointPosition);
    fraction.assign(d.digits + d.pointPosition, d.count - d.pointPosition);
  }

  if (fraction.size() > static_cast<std::size_t>(n)) {
    const char first = fraction[static_cast<std::size_t>(n)];
    bool moreAfter = false;
    for (std::size_t i = static_cast<std::size_t>(n) + 1; i < fraction.size(); ++i) {
      if (fraction[i] != '0') {
        moreAfter = true;
        break;
      }
    }
    fraction.resize(static_cast<std::size_t>(n));
    const char lastKept = n > 0 ? fraction.back() : integer.back();
    const bool roundUp =
        first > '5' || (first == '5' && (moreAfter || ((lastKept - '0') % 2) == 1));
    if (roundUp) {
      // Add one unit in the last kept place, carrying through fraction and integer.
      bool carry = true;
      for (auto it = fraction.rbegin(); carry && it != fraction.rend(); ++it) {
        if (*it == '9') {
          *it = '0';
        } else {
          ++*it;
          carry = false;
        }
      }
      for (auto it = integer.rbegin(); carry && it != integer.rend(); ++it) {
        if (*it == '9') {
          *it = '0';
        } else {
          ++*it;
          carry = false;
        }
      }
      if (carry) integer.insert(integer.begin(), '1');
    }
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();

  const bool isZero = fraction.empty() && integer.find_first_not_of('0') == std::string::npos;
  if (isZero) return "0";
  std::string out;
  out.reserve(integer.size() + fraction.size() + 2);
  if (value < 0) out += '-';
  out += integer;
  if (!fraction.empty()) {
    out += '.';
    out += fraction;
  }
  return out;
}

std::optional<double> readDouble(std::string_view text, std::size_t* consumed) {
  if (consumed) *consumed = 0;
  const locale_t locale = cLocale();
  if (locale == static_cast<locale_t>(nullptr)) return std::nullopt;
  // strtod_l needs a terminated string. Only the leading blanks and the run of characters
  // that can belong to a number ("nan(...)" included) are copied, so that scanning a long
  // text number by number stays linear.
  std::size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  std::size_t end = start;
  while (end < text.size() && isNumberCharacter(text[end])) ++end;
  const std::string_view candidate = text.substr(start, end - start);
  char small[64];
  std::string large;
  const char* buffer;
  if (candidate.size() < sizeof small) {
    candidate.copy(small, candidate.size());
    small[candidate.size()] = '\0';
    buffer = small;
  } else {
    large.assign(candidate);
    buffer = large.c_str();
  }
  char* stop = nullptr;
  const double value = strtod_l(buffer, &stop, locale);
  if (stop == buffer) return std::nullopt;
  if (consumed) *consumed = start + static_cast<std::size_t>(stop - buffer);
  return value;
}

std::optional<double> parseDouble(std::string_view text) {
  std::size_t consumed = 0;
  const auto value = readDouble(text, &consumed);
  if (!value) return std::nullopt;
  for (std::size_t i = consumed; i < text.size(); ++i) {
    if (!isBlank(text[i])) return std::nullopt;
  }
  return value;
}

}  // namespace foundation
