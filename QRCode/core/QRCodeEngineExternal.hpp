#pragma once
// The qrcodegen engine ("external"): text through qrcodegen's text encoder (which picks
// the segment modes itself), bytes through its byte encoder, with the library's defaults
// (versions 1 to 40, automatic mask, error correction boosted when the version allows).
// The symbol is copied inside a one-module unset border. Raises cannotGenerateQRCode for a
// bad level or when qrcodegen refuses the data, and unableToConvertTextToRequestedEncoding
// for text that is not UTF-8. Text containing NUL goes through the byte encoder whole.
// It keeps nothing between calls, so one engine may be used from several threads at once.

#include "QRCode/core/QRCodeEngine.hpp"

class QRCodeEngineExternal final : public QRCodeEngine {
 public:
  std::string name() const override { return "external"; }
  QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t> data,
                                    int errorCorrection) override;
  QRCodeBoolMatrix generateWithText(std::string_view text, int errorCorrection) override;
  std::shared_ptr<QRCodeEngine> copyEngine() const override {
    return std::make_shared<QRCodeEngineExternal>();
  }
};
