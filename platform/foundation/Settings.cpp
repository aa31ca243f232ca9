#include "platform/foundation/Settings.hpp"

#include <cmath>
#include <limits>
#include <vector>

namespace foundation {
namespace {

// Deeper nesting than this is refused when reading: writing and walking such a value
// would recurse too far.
constexpr int kMaxNesting = 512;

// True when the brackets of the JSON text nest no deeper than kMaxNesting (strings are
// skipped; malformed text is left to the parser).
bool nestingWithinLimit(std::string_view text) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxNesting) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

}  // namespace

const Settings* find(const Settings& dict, std::string_view key) {
  if (!dict.is_object()) return nullptr;
  const auto* object = dict.get_ptr<const Settings::object_t*>();
  const auto it = object->find(key);
  return it == object->end() ? nullptr : &it->second;
}

std::optional<double> DoubleValue(const Settings* value) noexcept {
  if (!value) return std::nullopt;
  switch (value->type()) {
    case Settings::value_t::number_integer:
      return static_cast<double>(*value->get_ptr<const Settings::number_integer_t*>());
    case Settings::value_t::number_unsigned:
      return static_cast<double>(*value->get_ptr<const Settings::number_unsigned_t*>());
    case Settings::value_t::number_float:
      return *value->get_ptr<const Settings::number_float_t*>();
    case Settings::value_t::boolean:
      return *value->get_ptr<const Settings::boolean_t*>() ? 1.0 : 0.0;
    default:
      return std::nullopt;
  }
}

std::optional<double> CGFloatValue(const Settings* value) noexcept { return DoubleValue(value); }

std::optional<bool> BoolValue(const Settings* value) noexcept {
  if (!value) return std::nullopt;
  switch (value->type()) {
    case Settings::value_t::number_integer:
      return *value->get_ptr<const Settings::number_integer_t*>() != 0;
    case Settings::value_t::number_unsigned:
      return *value->get_ptr<const Settings::number_unsigned_t*>() != 0;
    case Settings::value_t::number_float:
      return *value->get_ptr<const Settings::number_float_t*>() != 0;  // NaN counts as non-zero
    case Settings::value_t::boolean:
      return *value->get_ptr<const Settings::boolean_t*>();
    default:
      return std::nullopt;
  }
}

std::optional<std::int64_t> IntValue(const Settings* value) noexcept {
  if (!value) return std::nullopt;
  switch (value->type()) {
    case Settings::value_t::number_integer:
      return *value->get_ptr<const Settings::number_integer_t*>();
    case Settings::value_t::number_unsigned: {
      const auto u = *value->get_ptr<const Settings::number_unsigned_t*>();
      if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
      return static_cast<std::int64_t>(u);
    }
    case Settings::value_t::number_float: {
      const double t = std::trunc(*value->get_ptr<const Settings::number_float_t*>());
      // [-2^63, 2^63): both bounds are exact doubles; NaN fails both tests.
      if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0)) return std::nullopt;
      return static_cast<std::int64_t>(t);
    }
    case Settings::value_t::boolean:
      return *value->get_ptr<const Settings::boolean_t*>() ? 1 : 0;
    default:
      return std::nullopt;
  }
}

std::optional<std::uint64_t> UIntValue(const Settings* value) noexcept {
  if (!value) return std::nullopt;
  switch (value->type()) {
    case Settings::value_t::number_integer: {
      const auto i = *value->get_ptr<const Settings::number_integer_t*>();
      if (i < 0) return std::nullopt;
      return static_cast<std::uint64_t>(i);
    }
    case Settings::value_t::number_unsigned:
      return *value->get_ptr<const Settings::number_unsigned_t*>();
    case Settings::value_t::number_float: {
      const double t = std::trunc(*value->get_ptr<const Settings::number_float_t*>());
      // [0, 2^64); -0.5 truncates to -0, which is 0.
      if (!(t >= 0 && t < 18446744073709551616.0)) return std::nullopt;
      return static_cast<std::uint64_t>(t);
    }
    case Settings::value_t::boolean:
      return *value->get_ptr<const Settings::boolean_t*>() ? 1u : 0u;
    default:
      return std::nullopt;
  }
}

std::optional<std::string> StringValue(const Settings* value) {
  if (!value) return std::nullopt;
  if (const auto* s = value->get_ptr<const Settings::string_t*>()) return *s;
  return std::nullopt;
}

std::optional<double> doubleValue(const Settings& dict, std::string_view key) {
  return DoubleValue(find(dict, key));
}

std::optional<bool> boolValue(const Settings& dict, std::string_view key) {
  return BoolValue(find(dict, key));
}

std::optional<std::int64_t> int64Value(const Settings& dict, std::string_view key) {
  return IntValue(find(dict, key));
}

std::optional<std::uint64_t> uint64Value(const Settings& dict, std::string_view key) {
  return UIntValue(find(dict, key));
}

std::optional<std::string> stringValue(const Settings& dict, std::string_view key) {
  return StringValue(find(dict, key));
}

const Settings* objectValue(const Settings& dict, std::string_view key) {
  const Settings* v = find(dict, key);
  return v && v->is_object() ? v : nullptr;
}

const Settings* arrayValue(const Settings& dict, std::string_view key) {
  const Settings* v = find(dict, key);
  return v && v->is_array() ? v : nullptr;
}

bool containsNonFinite(const Settings& value) {
  // Walked with an explicit stack: values built in code may nest deeply.
  std::vector<const Settings*> pending{&value};
  while (!pending.empty()) {
    const Settings* v = pending.back();
    pending.pop_back();
    switch (v->type()) {
      case Settings::value_t::number_float:
        if (!std::isfinite(*v->get_ptr<const Settings::number_float_t*>())) return true;
        break;
      case Settings::value_t::array:
        for (const auto& item : *v->get_ptr<const Settings::array_t*>()) pending.push_back(&item);
        break;
      case Settings::value_t::object:
        for (const auto& item : *v->get_ptr<const Settings::object_t*>()) pending.push_back(&item.second);
        break;
      default:
        break;
    }
  }
  return false;
}

std::optional<std::string> writeJSON(const Settings& value, int indent) {
  if (containsNonFinite(value)) return std::nullopt;
  try {
    // Invalid UTF-8 inside strings is written as U+FFFD rather than failing.
    return value.dump(indent < 0 ? -1 : indent, ' ', false, Settings::error_handler_t::replace);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

std::optional<Settings> readJSON(std::string_view text) {
  if (!nestingWithinLimit(text)) return std::nullopt;
  try {
    Settings parsed = Settings::parse(text.begin(), text.end(), nullptr, false);
    if (parsed.is_discarded()) return std::nullopt;
    return parsed;
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

}  // namespace foundation
