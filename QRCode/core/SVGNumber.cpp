#include "QRCode/core/SVGNumber.hpp"

#include <cmath>
#include <cstdint>

#include "platform/foundation/Numbers.hpp"

namespace {

// Below this magnitude a value times 1000 is exact to far better than 1e-4 of a unit, and
// the shortest digits of any double are within 2^-30 of it, so the thousandths can be
// worked out in binary; above it (no module path comes near) the general formatter runs.
constexpr double kFastLimit = 4194304.0;  // 2^22

// Writes the non-zero thousandths count n as "integer[.fraction]" without trailing zeros.
void appendThousandths(std::string& out, std::uint64_t n) {
  char buffer[24];
  char* const end = buffer + sizeof buffer;
  char* p = end;
  std::uint64_t fraction = n % 1000;
  std::uint64_t integer = n / 1000;
  if (fraction != 0) {
    int digits = 3;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --digits;
    }
    for (int i = 0; i < digits; ++i) {
      *--p = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    *--p = '.';
  }
  do {
    *--p = static_cast<char>('0' + integer % 10);
    integer /= 10;
  } while (integer != 0);
  out.append(p, end);
}

}  // namespace

void qrcore::appendSVGNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += '0';
    return;
  }
  const double magnitude = std::fabs(value);
  if (!(magnitude < kFastLimit)) {
    out += foundation::fixedString(value, 3);
    return;
  }
  // The text is the shortest decimal S of the magnitude rounded half-to-even to
  // thousandths: n or n + 1, where n = floor(1000 x magnitude), decided by where S lies
  // against D = (n + 0.5) / 1000. D has four fraction digits, so if D rounds to this very
  // double, D is its shortest decimal (S = D, a tie); otherwise S lies on the same side of
  // D as the double does, and comparing with the double nearest to D tells the side.
  std::uint64_t n = static_cast<std::uint64_t>(magnitude * 1000.0);
  const double midpoint = static_cast<double>(2 * n + 1) / 2000.0;
  if (magnitude > midpoint || (magnitude == midpoint && (n & 1) != 0)) ++n;
  if (n == 0) {
    out += '0';
    return;
  }
  if (value < 0) out += '-';
  appendThousandths(out, n);
}

std::string qrcore::svgNumberString(double value) {
  std::string out;
  qrcore::appendSVGNumber(out, value);
  return out;
}
