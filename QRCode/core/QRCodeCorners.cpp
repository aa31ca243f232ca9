#include "QRCode/core/QRCodeCorners.hpp"

#include "QRCode/core/SplitMix64.hpp"

std::optional<QRCode::Corners> QRCode::Corners::fromArchive(const foundation::Settings& value) {
  const std::optional<std::int64_t> raw = IntValue(&value);
  if (!raw) return std::nullopt;
  return Corners(*raw);
}
