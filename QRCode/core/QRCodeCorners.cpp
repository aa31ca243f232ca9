#include "QRCode/core/QRCodeCorners.hpp"

#include "platform/foundation/Settings.hpp"

std::optional<QRCode::Corners> QRCode::Corners::fromArchive(const foundation::Settings& value) {
  const std::optional<std::int64_t> raw = foundation::IntValue(&value);
  if (!raw) return std::nullopt;
  return Corners(*raw);
}
