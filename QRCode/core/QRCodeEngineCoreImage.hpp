#pragma once
// The default engine ("coreimage"): hands the message bytes and the level letter to its one
// QR generator filter and turns the filter's grey output into modules (a cell is set
// exactly where the grey value is 0). The filter's one-module border becomes part of the
// matrix. Raises unableToConvertTextToRequestedEncoding for text that is not UTF-8 and
// cannotGenerateImage when the filter gives no output (bad level, empty or too long data).
//
// One caller at a time: each call sets its inputs on the one filter, so two overlapping
// calls on one engine would encode each other's message. copyEngine() gives a new engine
// with a filter of its own; separate engines may run on two threads at once.

#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/core/QRCodeGeneratorFilter.hpp"

class QRCodeEngineCoreImage final : public QRCodeEngine {
 public:
  std::string name() const override { return "coreimage"; }
  QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t> data,
                                    int errorCorrection) override;
  QRCodeBoolMatrix generateWithText(std::string_view text, int errorCorrection) override;
  // A new engine with a new filter.
  std::shared_ptr<QRCodeEngine> copyEngine() const override;

  // The filter, created with the engine and reused by every call; it keeps the inputs of
  // the last call.
  const QRCodeGeneratorFilter& filter() const noexcept { return filter_; }

 private:
  QRCodeGeneratorFilter filter_;
};
