#include "QRCode/core/SVGNumber.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/foundation/Numbers.hpp"

namespace {

// Below this magnitude a value times 1000 is exact to far better than 1e-4 of a unit, and
// the shortest digits of any double are within 2^-30 of it, so the thousandths can be
// worked out in binary; above it (no module path comes near) the general formatter runs.
constexpr double kFastLimit = 4194304.0;  // 2^22

// Writes the non-zero thousandths count n (below 2^22 x 1000) as "integer[.fraction]"
// without trailing zeros at out, back to front from its known length, and returns its end.
char* writeThousandths(char* out, std::uint64_t n) {
  std::uint64_t fraction = n % 1000;
  std::uint64_t integer = n / 1000;
  int fractionDigits = 0;
  if (fraction != 0) {
    fractionDigits = 3;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --fractionDigits;
    }
  }
  // The fast path's integers are below 2^22: at most seven digits.
  const int integerDigits = 1 + (integer >= 10) + (integer >= 100) + (integer >= 1000) + (integer >= 10000) +
                            (integer >= 100000) + (integer >= 1000000);
  char* const end = out + integerDigits + (fractionDigits != 0 ? fractionDigits + 1 : 0);
  char* p = end;
  if (fractionDigits != 0) {
    for (int i = 0; i < fractionDigits; ++i) {
      *--p = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    *--p = '.';
  }
  do {
    *--p = static_cast<char>('0' + integer % 10);
    integer /= 10;
  } while (integer != 0);
  return end;
}

// Beyond the fast range: the general formatter. Kept out of line, so that the fast path
// needs no stack frame for its string.
[[gnu::noinline, gnu::cold]] char* writeLargeNumber(char* out, double value) {
  const std::string text = foundation::fixedString(value, 3);
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

}  // namespace

char* qrcore::writeSVGNumber(char* out, double value) {
  if (!std::isfinite(value)) {
    *out = '0';
    return out + 1;
  }
  const double magnitude = std::fabs(value);
  if (!(magnitude < kFastLimit)) return writeLargeNumber(out, value);
  // The text is the shortest decimal S of the magnitude rounded half-to-even to
  // thousandths: n or n + 1, where n = floor(1000 x magnitude), decided by where S lies
  // against D = (n + 0.5) / 1000. D has four fraction digits, so if D rounds to this very
  // double, D is its shortest decimal (S = D, a tie); otherwise S lies on the same side of
  // D as the double does, and comparing with the double nearest to D tells the side.
  //
  // Away from the midpoint the product alone decides: it and S are both within 2^-21 of
  // the double's exact thousandths (below 2^32), so a fraction more than 1e-5 from one half
  // lies on the same side as S. Only the rare values near a tie take the division.
  const double thousandths = magnitude * 1000.0;
  std::uint64_t n = static_cast<std::uint64_t>(thousandths);
  const double fraction = thousandths - static_cast<double>(n);
  if (fraction > 0.50001) {
    ++n;
  } else if (fraction >= 0.49999) {
    const double midpoint = static_cast<double>(2 * n + 1) / 2000.0;
    if (magnitude > midpoint || (magnitude == midpoint && (n & 1) != 0)) ++n;
  }
  if (n == 0) {
    *out = '0';
    return out + 1;
  }
  if (value < 0) *out++ = '-';
  return writeThousandths(out, n);
}

void qrcore::appendSVGNumber(std::string& out, double value) {
  char text[kMaxSVGNumberLength];
  out.append(text, writeSVGNumber(text, value));
}

std::string qrcore::svgNumberString(double value) {
  std::string out;
  qrcore::appendSVGNumber(out, value);
  return out;
}
