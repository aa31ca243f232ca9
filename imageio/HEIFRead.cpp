#include "imageio/HEIFRead.hpp"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/Exif.hpp"
#include "imageio/HEIFBoxes.hpp"
#include "imageio/HEVCStrictDecoder.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

[[noreturn]] void undecodable(const std::string& what, const heif_error* error = nullptr) {
  std::string text = what;
  if (error && error->message && error->message[0]) text += std::string(" (") + error->message + ")";
  foundation::raise(ImageReadWriteError::unableToDecodeImage, std::move(text));
}

}  // namespace

bool imageio::isHEIFData(std::span<const std::uint8_t> data) {
  if (data.size() < 12 || std::memcmp(data.data() + 4, "ftyp", 4) != 0) return false;
  const heif_filetype_result kind = heif_check_filetype(data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 64)));
  return kind == heif_filetype_yes_supported || kind == heif_filetype_maybe;
}

gfx::Image imageio::readHEIF(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (!imageio::isHEIFData(data)) undecodable("not a HEIF file");
  heif_context* context = heif_context_alloc();
  if (!context) undecodable("cannot read HEIF");
  heif_image_handle* handle = nullptr;
  heif_image* image = nullptr;
  struct Release {
    heif_context*& context;
    heif_image_handle*& handle;
    heif_image*& image;
    ~Release() {
      if (image) heif_image_release(image);
      if (handle) heif_image_handle_release(handle);
      heif_context_free(context);
    }
  } release{context, handle, image};

  // libheif's parse and decoding cost time (and stack) in the count of items and the depth
  // of derived images: both are checked first, from the boxes.
  imageio::checkHEIFItems(data);
  // libheif's own guard against huge images, beside the check below.
  heif_context_set_maximum_image_size_limit(context, gfx::Image::maxDimension);
  heif_error error = heif_context_read_from_memory_without_copy(context, data.data(), data.size(), nullptr);
  if (error.code != heif_error_Ok) undecodable("damaged HEIF file", &error);
  error = heif_context_get_primary_image_handle(context, &handle);
  if (error.code != heif_error_Ok) undecodable("HEIF file without a primary image", &error);
  const int w = heif_image_handle_get_width(handle), h = heif_image_handle_get_height(handle);
  if (w <= 0 || h <= 0) undecodable("bad HEIF image size");
  imageio::checkDecodedImageSize(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h), maxPixels);
  // libheif allocates a grid's or an overlay's whole canvas before it looks at its size,
  // and the canvas need not be the size the image declares: none (the image's own, its
  // alpha plane's, a thumbnail's, a tile's) may be larger than the image.
  for (const HEIFCanvasSize& canvas : imageio::heifCanvasSizes(data)) {
    const std::uint64_t canvasPixels = std::uint64_t{canvas.width} * canvas.height;
    if (canvasPixels > static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h))
      undecodable(std::string("HEIF ") + canvas.kind + " of " + std::to_string(canvas.width) + " x " +
                  std::to_string(canvas.height) + " is larger than the image's declared " + std::to_string(w) +
                  " x " + std::to_string(h));
  }
  // Everything below may allocate the declared size.
  imageio::admitDecodedImage(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h), maxPixels);

  // Every coded item's size is checked before anything is decoded; then each item the
  // picture needs is decoded once, by a decoder that takes damaged coded data for an error
  // (libheif's own conceals it without a word).
  imageio::checkHEVCItems(data, maxPixels);
  if (!imageio::useStrictHEVCDecoder(context)) undecodable("cannot decode HEIF");
  heif_decoding_options* options = heif_decoding_options_alloc();
  if (!options) undecodable("cannot decode HEIF");
  options->strict_decoding = 1;
  error = heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options);
  heif_decoding_options_free(options);
  if (error.code != heif_error_Ok) undecodable("damaged HEIF image", &error);
  heif_error warning{};
  if (heif_image_get_decoding_warnings(image, 0, &warning, 1) > 0) undecodable("damaged HEIF image", &warning);
  const int width = heif_image_get_width(image, heif_channel_interleaved);
  const int height = heif_image_get_height(image, heif_channel_interleaved);
  if (width != w || height != h)
    undecodable("HEIF image decoded to " + std::to_string(width) + " x " + std::to_string(height) +
                ", not its declared " + std::to_string(w) + " x " + std::to_string(h));
  int stride = 0;
  const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  if (!plane || stride < width * 4) undecodable("HEIF image without pixels");
  const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle) != 0;

  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
    std::uint8_t* out = pixels.data() + static_cast<std::size_t>(y) * rowBytes;
    std::memcpy(out, in, rowBytes);
    if (premultiplied) {
      imageio::clampColorToAlpha({out, rowBytes});
      continue;
    }
    for (int x = 0; x < width; ++x, out += 4) {
      const unsigned a = out[3];
      if (a == 255) continue;
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((out[c] * a + 127u) / 255u);
    }
  }
  return gfx::Image::make(width, height, std::move(pixels));
}

std::optional<gfx::Size> imageio::readHEIFResolution(std::span<const std::uint8_t> data) {
  return imageio::readExif(imageio::heifExif(data)).dpi;
}
