#include "QRCode/eye/EyeSpaceOutline.hpp"

#include "QRCode/core/QRCodePathHelpers.hpp"

gfx::Path qrshape::eyeSpaceOutline(std::initializer_list<std::string_view> subpaths) {
  gfx::Path path;
  for (std::string_view text : subpaths) {
    path.addPath(qrcore::builtInOutline(text));
  }
  return path;
}
