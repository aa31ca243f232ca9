#pragma once
// The drawable parts of a styled QR code, as bits of an option set over an unsigned 8-bit
// raw value. The component path builder turns a set into one path holding those parts.

#include <cstdint>
#include <initializer_list>
#include <optional>

class QRCodeComponents {
 public:
  // A set from a raw value.
  constexpr explicit QRCodeComponents(std::uint8_t rawValue) noexcept : rawValue_(rawValue) {}
  // The union of the listed members ({} is the empty set).
  constexpr QRCodeComponents(std::initializer_list<QRCodeComponents> members) noexcept {
    for (const auto& m : members) rawValue_ = static_cast<std::uint8_t>(rawValue_ | m.rawValue_);
  }

  // --- members ----------------------------------------------------------------------
  // The three eyes (finder-pattern rings).
  static constexpr QRCodeComponents eye() noexcept { return QRCodeComponents(1); }
  // The three pupils.
  static constexpr QRCodeComponents pupil() noexcept { return QRCodeComponents(2); }
  // The on modules outside the border ring and the finder areas.
  static constexpr QRCodeComponents onPixels() noexcept { return QRCodeComponents(4); }
  // The off modules outside the border ring and the finder areas.
  static constexpr QRCodeComponents offPixels() noexcept { return QRCodeComponents(8); }
  // The areas behind the three eyes.
  static constexpr QRCodeComponents eyeBackground() noexcept { return QRCodeComponents(16); }
  // The on-pixel shape over the inverted whole matrix; when set, a path holds it alone.
  static constexpr QRCodeComponents negatedOnPixels() noexcept { return QRCodeComponents(32); }
  // One full square under every module that onPixels covers.
  static constexpr QRCodeComponents onPixelsBackground() noexcept { return QRCodeComponents(64); }
  // One full square under every module that offPixels covers.
  static constexpr QRCodeComponents offPixelsBackground() noexcept { return QRCodeComponents(128); }
  // eye and pupil.
  static constexpr QRCodeComponents eyeAndPupil() noexcept { return QRCodeComponents(3); }
  // eye, pupil and onPixels.
  static constexpr QRCodeComponents foreground() noexcept { return QRCodeComponents(7); }
  // eye, eyeBackground, pupil, onPixels and offPixels.
  static constexpr QRCodeComponents allDesignShapes() noexcept { return QRCodeComponents(31); }

  constexpr std::uint8_t rawValue() const noexcept { return rawValue_; }
  constexpr void setRawValue(std::uint8_t rawValue) noexcept { rawValue_ = rawValue; }

  // --- set operations ----------------------------------------------------------------
  constexpr QRCodeComponents unionWith(QRCodeComponents o) const noexcept {
    return QRCodeComponents(static_cast<std::uint8_t>(rawValue_ | o.rawValue_));
  }
  constexpr QRCodeComponents intersection(QRCodeComponents o) const noexcept {
    return QRCodeComponents(static_cast<std::uint8_t>(rawValue_ & o.rawValue_));
  }
  constexpr QRCodeComponents symmetricDifference(QRCodeComponents o) const noexcept {
    return QRCodeComponents(static_cast<std::uint8_t>(rawValue_ ^ o.rawValue_));
  }
  constexpr QRCodeComponents subtracting(QRCodeComponents o) const noexcept {
    return QRCodeComponents(static_cast<std::uint8_t>(rawValue_ & ~o.rawValue_));
  }
  constexpr void formUnion(QRCodeComponents o) noexcept { *this = unionWith(o); }
  constexpr void formIntersection(QRCodeComponents o) noexcept { *this = intersection(o); }
  constexpr void formSymmetricDifference(QRCodeComponents o) noexcept { *this = symmetricDifference(o); }
  constexpr void subtract(QRCodeComponents o) noexcept { *this = subtracting(o); }

  // True when the two sets share at least one bit.
  constexpr bool contains(QRCodeComponents o) const noexcept { return (rawValue_ & o.rawValue_) != 0; }
  constexpr bool isEmpty() const noexcept { return rawValue_ == 0; }
  constexpr bool isSubset(QRCodeComponents of) const noexcept { return (rawValue_ & ~of.rawValue_) == 0; }
  constexpr bool isSuperset(QRCodeComponents of) const noexcept { return of.isSubset(*this); }
  constexpr bool isDisjoint(QRCodeComponents with) const noexcept { return (rawValue_ & with.rawValue_) == 0; }

  // Adds x's bits; true when x was not wholly present before.
  constexpr bool insert(QRCodeComponents x) noexcept {
    const bool wasPresent = (rawValue_ & x.rawValue_) == x.rawValue_;
    formUnion(x);
    return !wasPresent;
  }
  // Takes x's bits away; the bits of x that were present, or none when none were.
  constexpr std::optional<QRCodeComponents> remove(QRCodeComponents x) noexcept {
    const QRCodeComponents present = intersection(x);
    subtract(x);
    if (present.isEmpty()) return std::nullopt;
    return present;
  }
  // Adds x's bits; the bits of x that were already present, or none when none were.
  constexpr std::optional<QRCodeComponents> update(QRCodeComponents x) noexcept {
    const QRCodeComponents present = intersection(x);
    formUnion(x);
    if (present.isEmpty()) return std::nullopt;
    return present;
  }

  friend constexpr QRCodeComponents operator|(QRCodeComponents l, QRCodeComponents r) noexcept { return l.unionWith(r); }
  friend constexpr QRCodeComponents operator&(QRCodeComponents l, QRCodeComponents r) noexcept { return l.intersection(r); }
  friend constexpr QRCodeComponents operator^(QRCodeComponents l, QRCodeComponents r) noexcept {
    return l.symmetricDifference(r);
  }
  friend constexpr bool operator==(QRCodeComponents l, QRCodeComponents r) noexcept { return l.rawValue_ == r.rawValue_; }

 private:
  std::uint8_t rawValue_ = 0;
};
