#pragma once
// Our stand-in for the platform's QR generator filter, "CIQRCodeGenerator". It keeps its
// inputs between calls: "inputMessage" (bytes) and "inputCorrectionLevel" (one letter,
// "L", "M", "Q" or "H"). Its output is a square grey image with one pixel per module,
// dark modules 0 and light modules 255, and exactly one light module of border on every
// side. The symbol is encoded by libqrencode in 8-bit byte mode at exactly the level
// asked, in the smallest version that fits. There is no output for a bad letter, an empty
// message or a message too long for version 40.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Text.hpp"

class QRCodeGeneratorFilter {
 public:
  // A grey image, row 0 at the top, width bytes per row.
  struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
  };

  static constexpr std::string_view filterName = "CIQRCodeGenerator";
  static constexpr std::string_view inputMessageKey = "inputMessage";
  static constexpr std::string_view inputCorrectionLevelKey = "inputCorrectionLevel";

  std::string name() const { return std::string(filterName); }

  const foundation::Bytes& inputMessage() const noexcept { return message_; }
  void setInputMessage(std::span<const std::uint8_t> message) {
    message_.assign(message.begin(), message.end());
  }
  const std::string& inputCorrectionLevel() const noexcept { return level_; }
  void setInputCorrectionLevel(std::string_view letter) { level_.assign(letter); }

  // The symbol for the current inputs, or none.
  std::optional<GreyImage> outputImage() const;

 private:
  foundation::Bytes message_;
  std::string level_ = "M";
};
