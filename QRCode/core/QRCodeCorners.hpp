#pragma once
// QRCode::Corners: a set of the four corners of a square as a bit mask
// (topLeft 1, topRight 2, bottomLeft 4, bottomRight 8). Any raw value is kept unchanged,
// bits above 8 included. Its archived form is the raw value as one integer.

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "QRCode/core/QRCode.hpp"
#include "platform/foundation/Settings.hpp"

struct QRCode::Corners {
  std::int64_t rawValue = 0;

  static const Corners topLeft;      // 1
  static const Corners topRight;     // 2
  static const Corners bottomLeft;   // 4
  static const Corners bottomRight;  // 8
  static const Corners all;          // 15
  static const Corners none;         // 0

  constexpr Corners() = default;
  constexpr explicit Corners(std::int64_t raw) noexcept : rawValue(raw) {}
  // The union of the members.
  constexpr Corners(std::initializer_list<Corners> members) noexcept {
    for (const Corners& m : members) rawValue |= m.rawValue;
  }
  // Each true flag adds its member.
  constexpr Corners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight) noexcept
      : rawValue((topLeft ? 1 : 0) | (topRight ? 2 : 0) | (bottomLeft ? 4 : 0) |
                 (bottomRight ? 8 : 0)) {}

  // --- set algebra ---------------------------------------------------------------------
  constexpr Corners unionWith(Corners o) const noexcept { return Corners(rawValue | o.rawValue); }
  constexpr Corners intersection(Corners o) const noexcept {
    return Corners(rawValue & o.rawValue);
  }
  constexpr Corners symmetricDifference(Corners o) const noexcept {
    return Corners(rawValue ^ o.rawValue);
  }
  constexpr Corners subtracting(Corners o) const noexcept {
    return Corners(rawValue & ~o.rawValue);
  }
  constexpr void formUnion(Corners o) noexcept { rawValue |= o.rawValue; }
  constexpr void formIntersection(Corners o) noexcept { rawValue &= o.rawValue; }
  constexpr void formSymmetricDifference(Corners o) noexcept { rawValue ^= o.rawValue; }
  constexpr void subtract(Corners o) noexcept { rawValue &= ~o.rawValue; }

  // Adds the member; answers whether it was absent.
  constexpr bool insert(Corners member) noexcept {
    const bool absent = !contains(member);
    rawValue |= member.rawValue;
    return absent;
  }
  // Clears the member's bits; answers the bits removed, or none when none were present.
  constexpr std::optional<Corners> remove(Corners member) noexcept {
    const std::int64_t present = rawValue & member.rawValue;
    rawValue &= ~member.rawValue;
    if (present == 0) return std::nullopt;
    return Corners(present);
  }
  // Adds the member; answers the bits that were already present, or none.
  constexpr std::optional<Corners> update(Corners member) noexcept {
    const std::int64_t present = rawValue & member.rawValue;
    rawValue |= member.rawValue;
    if (present == 0) return std::nullopt;
    return Corners(present);
  }

  // Every bit of the argument is in the set.
  constexpr bool contains(Corners o) const noexcept { return (rawValue & o.rawValue) == o.rawValue; }
  constexpr bool isSuperset(Corners o) const noexcept { return contains(o); }
  constexpr bool isSubset(Corners o) const noexcept { return (rawValue & o.rawValue) == rawValue; }
  constexpr bool isDisjoint(Corners o) const noexcept { return (rawValue & o.rawValue) == 0; }
  constexpr bool isEmpty() const noexcept { return rawValue == 0; }

  constexpr Corners operator|(Corners o) const noexcept { return unionWith(o); }
  constexpr Corners operator&(Corners o) const noexcept { return intersection(o); }
  constexpr Corners operator^(Corners o) const noexcept { return symmetricDifference(o); }
  constexpr Corners& operator|=(Corners o) noexcept { formUnion(o); return *this; }
  constexpr Corners& operator&=(Corners o) noexcept { formIntersection(o); return *this; }
  constexpr Corners& operator^=(Corners o) noexcept { formSymmetricDifference(o); return *this; }
  friend constexpr bool operator==(Corners, Corners) = default;

  // --- archive -------------------------------------------------------------------------
  // The raw value as one JSON integer.
  foundation::Settings archived() const { return foundation::Settings(rawValue); }
  // The set from an archived integer (a number read as an integer); none otherwise.
  static std::optional<Corners> fromArchive(const foundation::Settings& value);
};

inline constexpr QRCode::Corners QRCode::Corners::topLeft(std::int64_t(1));
inline constexpr QRCode::Corners QRCode::Corners::topRight(std::int64_t(2));
inline constexpr QRCode::Corners QRCode::Corners::bottomLeft(std::int64_t(4));
inline constexpr QRCode::Corners QRCode::Corners::bottomRight(std::int64_t(8));
inline constexpr QRCode::Corners QRCode::Corners::all(std::int64_t(15));
inline constexpr QRCode::Corners QRCode::Corners::none(std::int64_t(0));
