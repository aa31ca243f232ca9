#pragma once
// The record in which a shape or fill generator is stored inside a design archive:
//   {"type": <the generator class's Name>, "settings": <the generator's own settings>}
// No other keys are written. A factory reads "type" to choose the class and hands
// "settings" to that class's Create.
//
// Settings dictionaries are foundation::Settings objects. A JSON null stands for an
// absent value wherever a single settings value is passed on its own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/foundation/Settings.hpp"

using GeneratorSettingsRecord = foundation::Settings;

namespace qrshape {
// {"type": type, "settings": settings}; a settings value that is not an object is
// written as an empty object.
GeneratorSettingsRecord makeGeneratorSettingsRecord(std::string_view type,
                                                    foundation::Settings settings);
}  // namespace qrshape

// The value under key in a settings dictionary, converted to T, or none when the key is
// absent or holds a value of another kind. T is double, bool, std::int64_t,
// std::uint64_t, std::string or foundation::Settings (any value).
template <class T>
std::optional<T> generatorSettingValue(const foundation::Settings& settings, std::string_view key) {
  if constexpr (std::is_same_v<T, double>) {
    return foundation::doubleValue(settings, key);
  } else if constexpr (std::is_same_v<T, bool>) {
    return foundation::boolValue(settings, key);
  } else if constexpr (std::is_same_v<T, std::int64_t>) {
    return foundation::int64Value(settings, key);
  } else if constexpr (std::is_same_v<T, std::uint64_t>) {
    return foundation::uint64Value(settings, key);
  } else if constexpr (std::is_same_v<T, std::string>) {
    return foundation::stringValue(settings, key);
  } else {
    static_assert(std::is_same_v<T, foundation::Settings>, "unsupported settings value type");
    const foundation::Settings* value = foundation::find(settings, key);
    if (!value) return std::nullopt;
    return *value;
  }
}
