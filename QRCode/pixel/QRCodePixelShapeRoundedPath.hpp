#pragma once
// The rounded-path pixel shape: the connected module pieces of RoundedModulePixelShape
// (QRCodePixelShapeRoundedEndIndent.hpp) with every outer corner whose two sides face
// off-modules rounded, so that a free end of a stroke gets two rounded corners. Inner
// corners carry fillets by default.

#include <memory>
#include <string_view>

#include "QRCode/pixel/QRCodePixelShapeRoundedEndIndent.hpp"
#include "platform/foundation/Settings.hpp"

class QRCodePixelShapeRoundedPath final : public RoundedModulePixelShape {
 public:
  static std::string_view Name() { return "roundedPath"; }
  static std::string_view Title() { return "Rounded path"; }
  static constexpr double DefaultCornerRadiusValue() { return 0.65; }
  static constexpr bool DefaultHasInnerCorners() { return true; }
  static std::shared_ptr<QRCodePixelShapeRoundedPath> Create(const foundation::Settings& settings = {});

  QRCodePixelShapeRoundedPath(double cornerRadiusFraction, bool hasInnerCorners)
      : RoundedModulePixelShape(cornerRadiusFraction, hasInnerCorners, DefaultCornerRadiusValue(),
                                DefaultHasInnerCorners()) {}

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const override;

 protected:
  void setFreeEndPieces(Pieces& pieces) const override;
};
