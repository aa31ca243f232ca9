#pragma once
// The interface of the content formatters (contact, event, link, ...).

#include <optional>
#include <string>

#include "platform/foundation/Text.hpp"

class QRCodeMessageFormatter {
 public:
  virtual ~QRCodeMessageFormatter() = default;
  // The bytes a QR code of the message encodes.
  virtual foundation::Bytes data() const = 0;
  // The same content as text; none only for raw bytes.
  virtual std::optional<std::string> text() const = 0;
};
