#pragma once
// Settings dictionaries: nlohmann::json objects with sorted keys. Read data from outside
// only through these helpers:
//  - a number is an integer, unsigned, float or boolean JSON value (text never counts);
//  - boolValue is true for any non-zero number;
//  - integer reads truncate; NaN, infinity or out-of-range values give none.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace foundation {

using Settings = nlohmann::json;

// The value under key when dict is an object holding it, else null.
const Settings* find(const Settings& dict, std::string_view key);

// --- one value (null: missing) -------------------------------------------------------
// Each answers none for a missing value and for a value of another kind.
//   DoubleValue / CGFloatValue: the number as a double (true 1.0, false 0.0).
//   BoolValue: false for zero, true for any other number (NaN included).
//   IntValue: the number truncated to a signed 64-bit integer; NaN, infinity and values
//             outside the range give none.
//   UIntValue: the same for an unsigned 64-bit integer (a negative value gives none).
//   StringValue: the text of a string value.
std::optional<double> DoubleValue(const Settings* value) noexcept;
std::optional<double> CGFloatValue(const Settings* value) noexcept;
std::optional<bool> BoolValue(const Settings* value) noexcept;
std::optional<std::int64_t> IntValue(const Settings* value) noexcept;
std::optional<std::uint64_t> UIntValue(const Settings* value) noexcept;
std::optional<std::string> StringValue(const Settings* value);

inline std::optional<double> DoubleValue(const Settings& value) noexcept { return DoubleValue(&value); }
inline std::optional<double> CGFloatValue(const Settings& value) noexcept { return CGFloatValue(&value); }
inline std::optional<bool> BoolValue(const Settings& value) noexcept { return BoolValue(&value); }
inline std::optional<std::int64_t> IntValue(const Settings& value) noexcept { return IntValue(&value); }
inline std::optional<std::uint64_t> UIntValue(const Settings& value) noexcept { return UIntValue(&value); }
inline std::optional<std::string> StringValue(const Settings& value) { return StringValue(&value); }

// The value a setter stores: whenAbsent for null (the key is being removed), else what
// read makes of it; none for a value of another kind (the setter then changes nothing
// and answers false). read is one of the readers above.
template <class T>
std::optional<T> settingValueOr(const Settings& value, T whenAbsent,
                                std::optional<T> (*read)(const Settings*) noexcept) noexcept {
  if (value.is_null()) return whenAbsent;
  return read(&value);
}

// --- a value under a key: the reader above applied to find(dict, key) ------------------
std::optional<double> doubleValue(const Settings& dict, std::string_view key);
std::optional<bool> boolValue(const Settings& dict, std::string_view key);
std::optional<std::int64_t> int64Value(const Settings& dict, std::string_view key);
std::optional<std::uint64_t> uint64Value(const Settings& dict, std::string_view key);
std::optional<std::string> stringValue(const Settings& dict, std::string_view key);
// The object or array under key, or null.
const Settings* objectValue(const Settings& dict, std::string_view key);
const Settings* arrayValue(const Settings& dict, std::string_view key);

// True when the value holds a NaN or infinite number anywhere inside it.
bool containsNonFinite(const Settings& value);

// JSON text of the value; none when it holds a non-finite number (callers raise their
// own error). indent < 0 writes compact text. Invalid UTF-8 in strings is written as U+FFFD.
std::optional<std::string> writeJSON(const Settings& value, int indent = -1);
// Parses JSON text without throwing; none for malformed text (and for arrays and objects
// nested more than 512 deep).
std::optional<Settings> readJSON(std::string_view text);

}  // namespace foundation
