#pragma once
// An encoder engine: bytes or text and an error-correction level (0 low, 1 medium,
// 2 quartile, 3 high) become a new QRCodeBoolMatrix. Failures raise QRCodeError.
//
// Every result is square, freshly made, row 0 the symbol's top row, with exactly one
// unset module of border on every side. A level outside 0...3 is an error, never a matrix.
// An engine object is used by one caller at a time.

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
};

// The letter of a level: 0 "L", 1 "M", 2 "Q", 3 "H"; empty for any other value.
std::string_view QRCodeErrorCorrectionLetter(int errorCorrection) noexcept;
