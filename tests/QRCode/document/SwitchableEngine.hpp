#pragma once
// An engine that fails on demand and otherwise encodes with the external engine.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "platform/foundation/Error.hpp"

class SwitchableEngine : public QRCodeEngine {
 public:
  bool fail = false;
  std::string name() const override { return "switchable"; }
  QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t> data, int level) override {
    if (fail) foundation::raise(QRCodeError::cannotGenerateQRCode);
    return inner_.generateWithData(data, level);
  }
  QRCodeBoolMatrix generateWithText(std::string_view text, int level) override {
    if (fail) foundation::raise(QRCodeError::cannotGenerateQRCode);
    return inner_.generateWithText(text, level);
  }

 private:
  QRCodeEngineExternal inner_;
};
