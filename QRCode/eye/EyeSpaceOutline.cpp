#include "QRCode/eye/EyeSpaceOutline.hpp"

gfx::Path eyeSpaceOutline(std::initializer_list<std::string_view> subpaths) {
  gfx::Path path;
  for (std::string_view text : subpaths) {
    if (auto parsed = gfx::Path::parse(text)) path.addPath(*parsed);
  }
  return path;
}
