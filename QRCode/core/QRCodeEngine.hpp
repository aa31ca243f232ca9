#pragma once
// An encoder engine: bytes or text and an error-correction level (0 low, 1 medium,
// 2 quartile, 3 high) become a new QRCodeBoolMatrix. Failures raise QRCodeError.
//
// Every result is square, freshly made, row 0 the symbol's top row, with exactly one
// unset module of border on every side. A level outside 0...3 is an error, never a matrix.
//
// Threads: an engine object is used by one caller at a time unless its own header says
// otherwise (the default engine keeps the inputs of its last call). Separate engine objects
// are independent, and copyEngine() makes a separate one of the same kind: a QRCode copy
// gets its engine that way, so that two copies never hand each other their inputs.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "QRCode/core/QRCodeBoolMatrix.hpp"

class QRCodeEngine {
 public:
  virtual ~QRCodeEngine() = default;

  // The engine's identifier ("coreimage", "external").
  virtual std::string name() const = 0;
  // Encodes the bytes in byte mode.
  virtual QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t> data,
                                            int errorCorrection) = 0;
  // Encodes the text, which must be valid UTF-8
  // (else QRCodeError::unableToConvertTextToRequestedEncoding). Text containing NUL is
  // encoded whole.
  virtual QRCodeBoolMatrix generateWithText(std::string_view text, int errorCorrection) = 0;

  // A new engine of this kind with this one's settings and none of its per-call state, or
  // null when the engine cannot make one (the default): objects copied from one that uses
  // this engine then share it, and so are used by one caller at a time among them unless
  // the engine allows more. An engine that keeps state between calls should override this.
  virtual std::shared_ptr<QRCodeEngine> copyEngine() const { return nullptr; }
};

namespace qrcore {

// The engine a copy of an object that uses this engine gets: engine->copyEngine(), or the
// engine itself when it makes no copy (and for null).
std::shared_ptr<QRCodeEngine> engineForCopy(const std::shared_ptr<QRCodeEngine>& engine);

}  // namespace qrcore

// The letter of a level: 0 "L", 1 "M", 2 "Q", 3 "H"; empty for any other value.
std::string_view QRCodeErrorCorrectionLetter(int errorCorrection) noexcept;
