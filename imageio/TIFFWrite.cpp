#include "imageio/TIFFWrite.hpp"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Error.hpp"

using namespace imagewrite;

namespace {

constexpr std::string_view kTIFFType = "public.tiff";

// libtiff records a resolution as a float and writes it as a rational of two 32-bit
// numbers: anything from 2^32 up (or beyond float's range) would come out as 0/0, and
// anything below 1 / (2^32 - 1) as 0. The largest float below 2^32 is kept exactly (as
// n/1); the smallest float above 1 / (2^32 - 1) is the smallest resolution written.
float recordedResolution(double dpi) { return static_cast<float>(std::clamp(dpi, 2.3283067e-10, 4294967040.0)); }

struct TiffMemory {
  foundation::Bytes* bytes;
  std::uint64_t position;
};

tmsize_t tiffRead(thandle_t, void*, tmsize_t) { return 0; }
tmsize_t tiffWrite(thandle_t handle, void* data, tmsize_t size) {
  auto* m = static_cast<TiffMemory*>(handle);
  if (size < 0) return 0;
  const std::uint64_t end = m->position + static_cast<std::uint64_t>(size);
  try {
    if (end > m->bytes->size()) m->bytes->resize(end);
  } catch (...) {
    return 0;
  }
  std::memcpy(m->bytes->data() + m->position, data, static_cast<std::size_t>(size));
  m->position = end;
  return size;
}
toff_t tiffSeek(thandle_t handle, toff_t offset, int whence) {
  auto* m = static_cast<TiffMemory*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = m->position;
  else if (whence == SEEK_END) base = m->bytes->size();
  m->position = base + offset;
  return m->position;
}
int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t handle) { return static_cast<TiffMemory*>(handle)->bytes->size(); }
int tiffMap(thandle_t, void**, toff_t*) { return 0; }
void tiffUnmap(thandle_t, void*, toff_t) {}
int tiffSilentHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

foundation::Bytes imageio::writeTIFF(const gfx::Image& image, const ImageWriteProperties& properties) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0) cannotCreate(kTIFFType);
  foundation::Bytes bytes;
  bytes.reserve(static_cast<std::size_t>(px.width) * px.height * 4 + 512);
  TiffMemory memory{&bytes, 0};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) cannotCreate(kTIFFType);
  TIFFOpenOptionsSetErrorHandlerExtR(options, tiffSilentHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, tiffSilentHandler, nullptr);
  TIFF* tiff = TIFFClientOpenExt("memory", "w", &memory, tiffRead, tiffWrite, tiffSeek, tiffClose,
                                 tiffSize, tiffMap, tiffUnmap, options);
  TIFFOpenOptionsFree(options);
  if (!tiff) cannotCreate(kTIFFType);
  // The pixels are premultiplied, which TIFF records as associated alpha. A requested
  // compression selects lossless LZW (a quality has no meaning for it); without one the
  // strips are stored uncompressed.
  const std::uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
  bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(px.width)) &&
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(px.height)) &&
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4) &&
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra) &&
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tiff, TIFFTAG_COMPRESSION,
                         properties.quality ? COMPRESSION_LZW : COMPRESSION_NONE) &&
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, recordedResolution(properties.dpiWidth)) &&
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, recordedResolution(properties.dpiHeight)) &&
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  if (ok && properties.quality) ok = TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  // libtiff may change the buffer it is given (the encoders work in place), so every row
  // goes through a scratch copy: the image's pixels are shared and must stay as they are.
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(px.width) * 4);
  for (int y = 0; ok && y < px.height; ++y) {
    std::memcpy(scratch.data(), px.row(y), scratch.size());
    ok = TIFFWriteScanline(tiff, scratch.data(), static_cast<std::uint32_t>(y), 0) == 1;
  }
  if (ok) ok = TIFFFlush(tiff) == 1;
  TIFFClose(tiff);
  if (!ok || bytes.empty()) cannotCreate(kTIFFType);
  return bytes;
}
