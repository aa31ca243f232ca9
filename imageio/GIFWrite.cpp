#include "imageio/GIFWrite.hpp"

#include <gif_lib.h>

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Error.hpp"

using namespace imagewrite;

namespace {

constexpr std::string_view kGIFType = "com.compuserve.gif";

int gifWrite(GifFileType* gif, const GifByteType* data, int size) {
  auto* bytes = static_cast<foundation::Bytes*>(gif->UserData);
  try {
    bytes->insert(bytes->end(), data, data + size);
  } catch (...) {
    return 0;
  }
  return size;
}

// Indexed pixels and their palette. Pixels with alpha below one half are transparent;
// the others take their straight colour, exactly when at most 255 colours occur, else
// through median-cut quantisation.
struct IndexedImage {
  std::vector<GifByteType> indices;
  std::vector<GifColorType> palette;
  int transparentIndex = -1;
};

bool indexPixels(const Pixels& px, IndexedImage& out) {
  const std::size_t count = static_cast<std::size_t>(px.width) * px.height;
  out.indices.resize(count);
  std::vector<std::uint32_t> colours(count);
  std::vector<std::uint8_t> straight(static_cast<std::size_t>(px.width) * 4);
  bool anyTransparent = false;
  constexpr std::uint32_t transparent = 0xFFFFFFFFu;
  for (int y = 0; y < px.height; ++y) {
    unpremultiplyRow(px.row(y), straight.data(), px.width);
    for (int x = 0; x < px.width; ++x) {
      const std::uint8_t* s = straight.data() + 4 * x;
      const std::size_t i = static_cast<std::size_t>(y) * px.width + x;
      if (s[3] < 128) {
        colours[i] = transparent;
        anyTransparent = true;
      } else {
        colours[i] = (std::uint32_t(s[0]) << 16) | (std::uint32_t(s[1]) << 8) | s[2];
      }
    }
  }
  const int maxColours = anyTransparent ? 255 : 256;
  std::unordered_map<std::uint32_t, GifByteType> exact;
  exact.reserve(512);
  bool fits = true;
  for (std::size_t i = 0; i < count && fits; ++i) {
    if (colours[i] == transparent) continue;
    auto [it, inserted] = exact.try_emplace(colours[i], static_cast<GifByteType>(exact.size()));
    if (inserted && static_cast<int>(exact.size()) > maxColours) fits = false;
    out.indices[i] = it->second;
  }
  if (fits) {
    out.palette.resize(exact.size());
    for (const auto& [colour, index] : exact)
      out.palette[index] = GifColorType{GifByteType(colour >> 16), GifByteType(colour >> 8), GifByteType(colour)};
  } else {
    std::vector<GifByteType> r(count), g(count), b(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t c = colours[i] == transparent ? 0xFFFFFFu : colours[i];
      r[i] = GifByteType(c >> 16);
      g[i] = GifByteType(c >> 8);
      b[i] = GifByteType(c);
    }
    int size = maxColours;
    out.palette.assign(256, GifColorType{0, 0, 0});
    if (GifQuantizeBuffer(static_cast<unsigned>(px.width), static_cast<unsigned>(px.height), &size,
                          r.data(), g.data(), b.data(), out.indices.data(), out.palette.data()) != GIF_OK)
      return false;
    out.palette.resize(static_cast<std::size_t>(size));
  }
  if (anyTransparent) {
    out.transparentIndex = static_cast<int>(out.palette.size());
    out.palette.push_back(GifColorType{255, 255, 255});
    for (std::size_t i = 0; i < count; ++i)
      if (colours[i] == transparent) out.indices[i] = static_cast<GifByteType>(out.transparentIndex);
  }
  return true;
}

}  // namespace

foundation::Bytes imageio::writeGIF(const gfx::Image& image) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0 || px.width > 65535 || px.height > 65535) cannotCreate(kGIFType);
  IndexedImage indexed;
  if (!indexPixels(px, indexed)) cannotCreate(kGIFType);
  // The colour table has a power-of-two size, at least 2.
  int tableSize = 2;
  while (tableSize < static_cast<int>(indexed.palette.size())) tableSize *= 2;
  indexed.palette.resize(static_cast<std::size_t>(tableSize), GifColorType{0, 0, 0});

  foundation::Bytes bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, gifWrite, &error);
  if (!gif) cannotCreate(kGIFType);
  ColorMapObject* map = GifMakeMapObject(tableSize, indexed.palette.data());
  bool ok = map != nullptr;
  if (ok) {
    EGifSetGifVersion(gif, true);
    ok = EGifPutScreenDesc(gif, px.width, px.height, 8, 0, map) == GIF_OK;
  }
  if (ok && indexed.transparentIndex >= 0) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = 0;
    gcb.TransparentColor = indexed.transparentIndex;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&gcb, extension);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK;
  }
  if (ok) ok = EGifPutImageDesc(gif, 0, 0, px.width, px.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < px.height; ++y)
    ok = EGifPutLine(gif, indexed.indices.data() + static_cast<std::size_t>(y) * px.width, px.width) == GIF_OK;
  if (map) GifFreeMapObject(map);
  const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
  if (!ok || !closed || bytes.empty()) cannotCreate(kGIFType);
  return bytes;
}
