#include "imageio/JPEGWrite.hpp"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Error.hpp"

using namespace imagewrite;

namespace {

constexpr std::string_view kJPEGType = "public.jpeg";

struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}
void jpegOutputMessage(j_common_ptr) {}

// Compresses RGB rows made by compositing the pixels onto white. Only plain data lives in
// this frame, so the error jump skips no destructor. Returns false on failure; *out is
// then freed.
bool jpegCompress(const Pixels& px, std::uint8_t* rowBuffer, int quality, unsigned densityX, unsigned densityY,
                  unsigned char** out, unsigned long* outSize) {
  jpeg_compress_struct cinfo;
  JpegErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = jpegErrorExit;
  errors.base.output_message = jpegOutputMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(*out);
    *out = nullptr;
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(px.width);
  cinfo.image_height = static_cast<JDIMENSION>(px.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (quality >= 0) jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.write_JFIF_header = TRUE;
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = static_cast<UINT16>(densityX);
  cinfo.Y_density = static_cast<UINT16>(densityY);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* src = px.row(static_cast<int>(cinfo.next_scanline));
    std::uint8_t* dst = rowBuffer;
    // Premultiplied colour over white: c + (255 - a).
    for (int x = 0; x < px.width; ++x, src += 4, dst += 3) {
      const unsigned back = 255u - src[3];
      dst[0] = static_cast<std::uint8_t>(std::min(255u, src[0] + back));
      dst[1] = static_cast<std::uint8_t>(std::min(255u, src[1] + back));
      dst[2] = static_cast<std::uint8_t>(std::min(255u, src[2] + back));
    }
    JSAMPROW rows[1] = {rowBuffer};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

unsigned densityOf(double dpi) {
  return static_cast<unsigned>(std::clamp(std::lround(std::min(dpi, 65535.0)), 1L, 65535L));
}

}  // namespace

foundation::Bytes imageio::writeJPEG(const gfx::Image& image, const ImageWriteProperties& properties) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0 || px.width > JPEG_MAX_DIMENSION ||
      px.height > JPEG_MAX_DIMENSION)
    cannotCreate(kJPEGType);
  const auto quality = clampedQuality(properties.quality);
  const int q = quality ? static_cast<int>(std::lround(*quality * 100)) : -1;
  std::vector<std::uint8_t> rowBuffer(static_cast<std::size_t>(px.width) * 3);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  const bool compressed = jpegCompress(px, rowBuffer.data(), q, densityOf(properties.dpiWidth),
                                       densityOf(properties.dpiHeight), &out, &outSize);
  if (!compressed || !out || outSize == 0) {
    std::free(out);
    cannotCreate(kJPEGType);
  }
  foundation::Bytes bytes(out, out + outSize);
  std::free(out);
  return bytes;
}
