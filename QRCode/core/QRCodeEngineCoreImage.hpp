#pragma once
// The default engine ("coreimage"): hands the message bytes and the level letter to its one
// QR generator filter and turns the filter's grey output into modules (a cell is set
// exactly where the grey value is 0). The filter's one-module border becomes part of the
// matrix. Raises unableToConvertTextToRequestedEncoding for text that is not UTF-8 and
// cannotGenerateImage when the filter gives no output (bad level, empty or too long data).

#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/core/QRCodeGeneratorFilter.hpp"

class QRCodeEngineCoreImage final : public QRCodeEngine {
 public:
  std::string name() const override { return "coreimage"; }
  QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t> data,
                                    int errorCorrection) override;
  QRCodeBoolMatrix generateWithText(std::string_view text, int errorCorrection) override;

  // The filter, created with the engine and reused by every call; it keeps the inputs of
  // the last call.
  const QRCodeGeneratorFilter& filter() const noexcept { return filter_; }

 private:
  QRCodeGeneratorFilter filter_;
};
