#include "imageio/GIFRead.hpp"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

struct Source {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
};

int gifReadSource(GifFileType* gif, GifByteType* buffer, int length) {
  auto* s = static_cast<Source*>(gif->UserData);
  if (length <= 0) return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(length), s->size - s->position);
  std::memcpy(buffer, s->data + s->position, n);
  s->position += n;
  return static_cast<int>(n);
}

[[noreturn]] void undecodable(const std::string& what, int error = 0) {
  std::string text = what;
  if (error != 0)
    if (const char* message = GifErrorString(error)) text += std::string(" (") + message + ")";
  foundation::raise(ImageReadWriteError::unableToDecodeImage, std::move(text));
}

// The rows of an interlaced frame come in four passes.
struct Pass {
  int start, step;
};
constexpr Pass kInterlacePasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
constexpr Pass kPlainPass[] = {{0, 1}};

}  // namespace

bool imageio::isGIFData(std::span<const std::uint8_t> data) {
  return data.size() >= 6 && std::memcmp(data.data(), "GIF", 3) == 0 && data[3] == '8' &&
         (data[4] == '7' || data[4] == '9') && data[5] == 'a';
}

gfx::Image imageio::readGIF(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (!imageio::isGIFData(data)) undecodable("not a GIF");
  Source source{data.data(), data.size(), 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, gifReadSource, &error);
  if (!gif) undecodable("damaged GIF header", error);
  struct Release {
    GifFileType* gif;
    ~Release() {
      int ignored = 0;
      DGifCloseFile(gif, &ignored);
    }
  } release{gif};

  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &record) != GIF_OK) undecodable("damaged GIF", gif->Error);
    if (record == TERMINATE_RECORD_TYPE) undecodable("GIF without an image");
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) != GIF_OK) undecodable("damaged GIF extension", gif->Error);
      bool first = true;
      while (block) {
        if (first && code == GRAPHICS_EXT_FUNC_CODE) {
          GraphicsControlBlock gcb{};
          if (block[0] >= 4 && DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            transparent = gcb.TransparentColor;
        }
        first = false;
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) undecodable("damaged GIF extension", gif->Error);
      }
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) undecodable("damaged GIF record");
    if (DGifGetImageDesc(gif) != GIF_OK) undecodable("damaged GIF frame", gif->Error);
    break;
  }

  const GifImageDesc& frame = gif->Image;
  if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0) undecodable("bad GIF frame size");
  // The frame is decoded row by row: its own size only bounds the work, the screen (or,
  // without one, the frame) is what gets allocated.
  imageio::checkDecodedImageSize(static_cast<std::uint64_t>(frame.Width), static_cast<std::uint64_t>(frame.Height),
                        maxPixels);
  const bool hasScreen = gif->SWidth > 0 && gif->SHeight > 0;
  const int width = hasScreen ? gif->SWidth : frame.Width;
  const int height = hasScreen ? gif->SHeight : frame.Height;
  imageio::admitDecodedImage(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), maxPixels);
  const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!map || !map->Colors || map->ColorCount <= 0) undecodable("GIF without a colour table");

  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  std::vector<GifByteType> line(static_cast<std::size_t>(frame.Width));
  const int left = hasScreen ? frame.Left : 0, top = hasScreen ? frame.Top : 0;
  const int visibleWidth = std::max(0, std::min(frame.Width, width - left));
  const std::span<const Pass> passes = frame.Interlace ? std::span<const Pass>(kInterlacePasses)
                                                       : std::span<const Pass>(kPlainPass);
  for (const Pass& pass : passes) {
    for (int row = pass.start; row < frame.Height; row += pass.step) {
      if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK) undecodable("damaged GIF data", gif->Error);
      const int y = top + row;
      if (y >= height || visibleWidth == 0) continue;
      std::uint8_t* out = pixels.data() + (static_cast<std::size_t>(y) * width + left) * 4;
      for (int x = 0; x < visibleWidth; ++x, out += 4) {
        const int index = line[static_cast<std::size_t>(x)];
        if (index == transparent || index >= map->ColorCount) continue;  // stays transparent
        const GifColorType& c = map->Colors[index];
        out[0] = c.Red;
        out[1] = c.Green;
        out[2] = c.Blue;
        out[3] = 255;
      }
    }
  }
  return gfx::Image::make(width, height, std::move(pixels));
}
