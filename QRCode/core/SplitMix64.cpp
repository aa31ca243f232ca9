#include "QRCode/core/SplitMix64.hpp"

#include <cmath>
#include <limits>

namespace {

using foundation::Settings;
using Kind = Settings::value_t;

// A number object's value in its own representation. nlohmann answers is_number_integer()
// for unsigned values too, so the kind is read from type() rather than from get_ptr.
struct Number {
  Kind kind;
  std::int64_t i = 0;
  std::uint64_t u = 0;
  double f = 0;
  bool b = false;
};

std::optional<Number> numberOf(const Settings* value) noexcept {
  if (!value) return std::nullopt;
  Number n{value->type()};
  switch (n.kind) {
    case Kind::number_integer: n.i = *value->get_ptr<const Settings::number_integer_t*>(); break;
    case Kind::number_unsigned: n.u = *value->get_ptr<const Settings::number_unsigned_t*>(); break;
    case Kind::number_float: n.f = *value->get_ptr<const Settings::number_float_t*>(); break;
    case Kind::boolean: n.b = *value->get_ptr<const Settings::boolean_t*>(); break;
    default: return std::nullopt;
  }
  return n;
}

double asDouble(const Number& n) noexcept {
  switch (n.kind) {
    case Kind::number_integer: return static_cast<double>(n.i);
    case Kind::number_unsigned: return static_cast<double>(n.u);
    case Kind::number_float: return n.f;
    default: return n.b ? 1.0 : 0.0;
  }
}

constexpr double twoTo63 = 9223372036854775808.0;  // 2^63
constexpr double twoTo64 = 18446744073709551616.0;  // 2^64

}  // namespace

std::optional<double> DoubleValue(const Settings* value) noexcept {
  const std::optional<Number> n = numberOf(value);
  if (!n) return std::nullopt;
  return asDouble(*n);
}

std::optional<double> CGFloatValue(const Settings* value) noexcept { return DoubleValue(value); }

std::optional<bool> BoolValue(const Settings* value) noexcept {
  const std::optional<Number> n = numberOf(value);
  if (!n) return std::nullopt;
  switch (n->kind) {
    case Kind::number_integer: return n->i != 0;
    case Kind::number_unsigned: return n->u != 0;
    case Kind::number_float: return n->f != 0.0;
    default: return n->b;
  }
}

std::optional<std::int64_t> IntValue(const Settings* value) noexcept {
  const std::optional<Number> n = numberOf(value);
  if (!n) return std::nullopt;
  switch (n->kind) {
    case Kind::number_integer: return n->i;
    case Kind::number_unsigned:
      if (n->u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
      return static_cast<std::int64_t>(n->u);
    case Kind::number_float: {
      if (!std::isfinite(n->f)) return std::nullopt;
      const double t = std::trunc(n->f);
      if (t < -twoTo63 || t >= twoTo63) return std::nullopt;
      return static_cast<std::int64_t>(t);
    }
    default: return n->b ? 1 : 0;
  }
}

std::optional<std::uint64_t> UIntValue(const Settings* value) noexcept {
  const std::optional<Number> n = numberOf(value);
  if (!n) return std::nullopt;
  switch (n->kind) {
    case Kind::number_integer:
      if (n->i < 0) return std::nullopt;
      return static_cast<std::uint64_t>(n->i);
    case Kind::number_unsigned: return n->u;
    case Kind::number_float: {
      if (!std::isfinite(n->f)) return std::nullopt;
      const double t = std::trunc(n->f);
      if (t < 0.0 || t >= twoTo64) return std::nullopt;
      return static_cast<std::uint64_t>(t);
    }
    default: return n->b ? 1u : 0u;
  }
}
