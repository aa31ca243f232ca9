#pragma once
// An engine that answers one fixed matrix whatever it is asked to encode, so that tests can
// draw and export documents of known cells.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeEngine.hpp"

namespace testsupport {

class FixedEngine : public QRCodeEngine {
 public:
  explicit FixedEngine(QRCodeBoolMatrix matrix) : matrix_(std::move(matrix)) {}
  std::string name() const override { return "fixed"; }
  QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t>, int) override { return matrix_.copyMatrix(); }
  QRCodeBoolMatrix generateWithText(std::string_view, int) override { return matrix_.copyMatrix(); }

 private:
  QRCodeBoolMatrix matrix_;
};

}  // namespace testsupport
