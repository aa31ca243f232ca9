#include "imageio/ImageExport.hpp"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <libheif/heif.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "imageio/ImageReadWriteError.hpp"
#include "imageio/PNG.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Numbers.hpp"

// --- ImageExportType -----------------------------------------------------------------

ImageExportType ImageExportType::png(double scale, bool excludeGPSData) {
  ImageExportType t(Kind::png);
  t.scale_ = scale;
  t.excludeGPSData_ = excludeGPSData;
  return t;
}

ImageExportType ImageExportType::jpg(double scale, std::optional<double> compression,
                                     bool excludeGPSData) {
  ImageExportType t(Kind::jpg);
  t.scale_ = scale;
  t.compression_ = compression;
  t.excludeGPSData_ = excludeGPSData;
  return t;
}

ImageExportType ImageExportType::tiff(double scale, std::optional<double> compression,
                                      bool excludeGPSData) {
  ImageExportType t = jpg(scale, compression, excludeGPSData);
  t.kind_ = Kind::tiff;
  return t;
}

ImageExportType ImageExportType::heic(double scale, std::optional<double> compression,
                                      bool excludeGPSData) {
  ImageExportType t = jpg(scale, compression, excludeGPSData);
  t.kind_ = Kind::heic;
  return t;
}

ImageExportType ImageExportType::pdf(gfx::Size pageSize) {
  ImageExportType t(Kind::pdf);
  t.size_ = pageSize;
  return t;
}

ImageExportType ImageExportType::svg(std::optional<gfx::Size> size, SVGImageFillStyle fillStyle,
                                     const ImageExportType& embeddedImageFormat) {
  ImageExportType t(Kind::svg);
  t.size_ = size;
  t.fillStyle_ = fillStyle;
  t.embedded_ = std::make_shared<const ImageExportType>(embeddedImageFormat);
  return t;
}

ImageExportType ImageExportType::gif() { return ImageExportType(Kind::gif); }

std::string_view ImageExportType::mimeType() const {
  switch (kind_) {
    case Kind::png: return "image/png";
    case Kind::jpg: return "image/jpeg";
    case Kind::tiff: return "image/tiff";
    case Kind::pdf: return "application/pdf";
    case Kind::heic: return "image/heic";
    case Kind::svg: return "image/svg+xml";
    case Kind::gif: return "image/gif";
  }
  return "";
}

std::string_view ImageExportType::fileExtension() const {
  switch (kind_) {
    case Kind::png: return "png";
    case Kind::jpg: return "jpg";
    case Kind::tiff: return "tiff";
    case Kind::pdf: return "pdf";
    case Kind::heic: return "heic";
    case Kind::svg: return "svg";
    case Kind::gif: return "gif";
  }
  return "";
}

std::string_view ImageExportType::typeIdentifier() const {
  switch (kind_) {
    case Kind::png: return "public.png";
    case Kind::jpg: return "public.jpeg";
    case Kind::tiff: return "public.tiff";
    case Kind::pdf: return "com.adobe.pdf";
    case Kind::heic: return "public.heic";
    case Kind::svg: return "public.svg-image";
    case Kind::gif: return "com.compuserve.gif";
  }
  return "";
}

// --- shared helpers --------------------------------------------------------------------

namespace {

// Read-only view of 8-bit premultiplied RGBA pixels, row 0 at the top.
struct Pixels {
  gfx::Image rgba;  // keeps the pixels alive
  const std::uint8_t* data;
  int width;
  int height;
  std::size_t stride;
  const std::uint8_t* row(int y) const { return data + static_cast<std::size_t>(y) * stride; }
};

Pixels pixelsOf(const gfx::Image& image) {
  gfx::Image rgba = image.toRGBA();
  const std::uint8_t* data = rgba.pixels().data();
  const int width = rgba.width(), height = rgba.height();
  const std::size_t stride = rgba.bytesPerRow();
  return Pixels{std::move(rgba), data, width, height, stride};
}

[[noreturn]] void cannotCreate(const ImageExportType& type) {
  foundation::raise(ImageReadWriteError::cannotCreateImageOfType, std::string(type.typeIdentifier()));
}

// Straight (not premultiplied) colour of one channel.
inline std::uint8_t unpremultiply(std::uint8_t c, std::uint8_t a) {
  if (a == 255) return c;
  if (a == 0) return 0;
  const unsigned v = (static_cast<unsigned>(c) * 255u + a / 2u) / a;
  return static_cast<std::uint8_t>(std::min(v, 255u));
}

// One row of premultiplied RGBA as straight RGBA.
void unpremultiplyRow(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 4, dst += 4) {
    const std::uint8_t a = src[3];
    dst[0] = unpremultiply(src[0], a);
    dst[1] = unpremultiply(src[1], a);
    dst[2] = unpremultiply(src[2], a);
    dst[3] = a;
  }
}

double checkedDPI(const ImageExportType& type) {
  const double dpi = 72.0 * type.scale();
  if (!(dpi > 0) || !std::isfinite(dpi)) foundation::raise(ImageReadWriteError::invalidDPI);
  return dpi;
}

// Quality in 0...1: below 0 or NaN gives 0, above 1 gives 1.
std::optional<double> clampedQuality(std::optional<double> compression) {
  if (!compression) return std::nullopt;
  const double q = *compression;
  if (!(q > 0)) return 0.0;
  return std::min(q, 1.0);
}

// --- PNG -------------------------------------------------------------------------------

// An opaque image whose pixels are all grey (black and white codes and their antialiased
// edges) goes to the PNG writer as an 8-bit grey image: a quarter of the bytes to filter
// and compress, and the same pixels when read back. Any other image is written as it is.
gfx::Image pngReady(const gfx::Image& image) {
  if (image.empty() || image.format() != gfx::PixelFormat::rgba) return image;
  const int width = image.width(), height = image.height();
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height);
  std::uint8_t* d = grey.data();
  // One pass: copy the grey value and collect, row by row, whether any pixel is not
  // opaque grey (a branch-free loop the compiler can vectorise).
  for (int y = 0; y < height; ++y, d += width) {
    const std::uint8_t* p = image.row(y).data();
    unsigned differs = 0;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t r = p[4 * x], g = p[4 * x + 1], b = p[4 * x + 2], a = p[4 * x + 3];
      differs |= static_cast<unsigned>((r ^ g) | (g ^ b) | (a ^ 255u));
      d[x] = r;
    }
    if (differs) return image;
  }
  return gfx::Image::make(width, height, std::move(grey), gfx::PixelFormat::gray);
}

// --- JPEG ------------------------------------------------------------------------------

struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

extern "C" void jpegErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}
extern "C" void jpegOutputMessage(j_common_ptr) {}

// Compresses RGB rows made by compositing the pixels onto white. Only plain data lives in
// this frame, so the error jump skips no destructor. Returns false on failure; *out is
// then freed.
bool jpegCompress(const Pixels& px, std::uint8_t* rowBuffer, int quality, unsigned density,
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
  cinfo.X_density = static_cast<UINT16>(density);
  cinfo.Y_density = static_cast<UINT16>(density);
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

foundation::Bytes encodeJPEG(const gfx::Image& image, const ImageExportType& type, double dpi) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0 || px.width > JPEG_MAX_DIMENSION ||
      px.height > JPEG_MAX_DIMENSION)
    cannotCreate(type);
  const auto quality = clampedQuality(type.compression());
  const int q = quality ? static_cast<int>(std::lround(*quality * 100)) : -1;
  std::vector<std::uint8_t> rowBuffer(static_cast<std::size_t>(px.width) * 3);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  if (!jpegCompress(px, rowBuffer.data(), q, densityOf(dpi), &out, &outSize) || !out ||
      outSize == 0) {
    std::free(out);
    cannotCreate(type);
  }
  foundation::Bytes bytes(out, out + outSize);
  std::free(out);
  return bytes;
}

// --- TIFF ------------------------------------------------------------------------------

struct TiffMemory {
  foundation::Bytes* bytes;
  std::uint64_t position;
};

extern "C" tmsize_t tiffRead(thandle_t, void*, tmsize_t) { return 0; }
extern "C" tmsize_t tiffWrite(thandle_t handle, void* data, tmsize_t size) {
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
extern "C" toff_t tiffSeek(thandle_t handle, toff_t offset, int whence) {
  auto* m = static_cast<TiffMemory*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = m->position;
  else if (whence == SEEK_END) base = m->bytes->size();
  m->position = base + offset;
  return m->position;
}
extern "C" int tiffClose(thandle_t) { return 0; }
extern "C" toff_t tiffSize(thandle_t handle) { return static_cast<TiffMemory*>(handle)->bytes->size(); }
extern "C" int tiffMap(thandle_t, void**, toff_t*) { return 0; }
extern "C" void tiffUnmap(thandle_t, void*, toff_t) {}
extern "C" int tiffSilentHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

foundation::Bytes encodeTIFF(const gfx::Image& image, const ImageExportType& type, double dpi) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0) cannotCreate(type);
  foundation::Bytes bytes;
  bytes.reserve(static_cast<std::size_t>(px.width) * px.height * 4 + 512);
  TiffMemory memory{&bytes, 0};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) cannotCreate(type);
  TIFFOpenOptionsSetErrorHandlerExtR(options, tiffSilentHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, tiffSilentHandler, nullptr);
  TIFF* tiff = TIFFClientOpenExt("memory", "w", &memory, tiffRead, tiffWrite, tiffSeek, tiffClose,
                                 tiffSize, tiffMap, tiffUnmap, options);
  TIFFOpenOptionsFree(options);
  if (!tiff) cannotCreate(type);
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
                         type.compression() ? COMPRESSION_LZW : COMPRESSION_NONE) &&
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(dpi)) &&
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(dpi)) &&
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  if (ok && type.compression()) ok = TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  // libtiff may change the buffer it is given (the encoders work in place), so every row
  // goes through a scratch copy: the image's pixels are shared and must stay as they are.
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(px.width) * 4);
  for (int y = 0; ok && y < px.height; ++y) {
    std::memcpy(scratch.data(), px.row(y), scratch.size());
    ok = TIFFWriteScanline(tiff, scratch.data(), static_cast<std::uint32_t>(y), 0) == 1;
  }
  if (ok) ok = TIFFFlush(tiff) == 1;
  TIFFClose(tiff);
  if (!ok || bytes.empty()) cannotCreate(type);
  return bytes;
}

// --- GIF -------------------------------------------------------------------------------

extern "C" int gifWrite(GifFileType* gif, const GifByteType* data, int size) {
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

foundation::Bytes encodeGIF(const gfx::Image& image, const ImageExportType& type) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0 || px.width > 65535 || px.height > 65535) cannotCreate(type);
  IndexedImage indexed;
  if (!indexPixels(px, indexed)) cannotCreate(type);
  // The colour table has a power-of-two size, at least 2.
  int tableSize = 2;
  while (tableSize < static_cast<int>(indexed.palette.size())) tableSize *= 2;
  indexed.palette.resize(static_cast<std::size_t>(tableSize), GifColorType{0, 0, 0});

  foundation::Bytes bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, gifWrite, &error);
  if (!gif) cannotCreate(type);
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
  if (!ok || !closed || bytes.empty()) cannotCreate(type);
  return bytes;
}

// --- HEIC ------------------------------------------------------------------------------

extern "C" heif_error heifWrite(heif_context*, const void* data, size_t size, void* userdata) {
  auto* bytes = static_cast<foundation::Bytes*>(userdata);
  try {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), p, p + size);
  } catch (...) {
    return heif_error{heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory"};
  }
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// A minimal big-endian Exif block holding the resolution (XResolution, YResolution as
// rationals over 1000, ResolutionUnit inch), so that the file records its dpi.
foundation::Bytes resolutionExif(double dpi) {
  foundation::Bytes e;
  auto u16 = [&](unsigned v) { e.push_back(std::uint8_t(v >> 8)); e.push_back(std::uint8_t(v)); };
  auto u32 = [&](std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) e.push_back(std::uint8_t(v >> s));
  };
  const std::uint32_t numerator = static_cast<std::uint32_t>(std::lround(std::min(dpi, 4e6) * 1000));
  e.insert(e.end(), {'M', 'M', 0, 42});
  u32(8);   // first directory
  u16(3);   // entries
  const std::uint32_t dataOffset = 8 + 2 + 3 * 12 + 4;
  u16(0x011A); u16(5); u32(1); u32(dataOffset);      // XResolution
  u16(0x011B); u16(5); u32(1); u32(dataOffset + 8);  // YResolution
  u16(0x0128); u16(3); u32(1); u16(2); u16(0);       // ResolutionUnit = inch
  u32(0);   // no next directory
  u32(numerator); u32(1000);
  u32(numerator); u32(1000);
  return e;
}

foundation::Bytes encodeHEIC(const gfx::Image& image, const ImageExportType& type, double dpi) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0) cannotCreate(type);
  foundation::Bytes bytes;
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* picture = nullptr;
  heif_image_handle* handle = nullptr;
  bool ok = context != nullptr;
  if (ok) ok = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok;
  if (ok) {
    if (const auto quality = clampedQuality(type.compression()))
      ok = heif_encoder_set_lossy_quality(encoder, static_cast<int>(std::lround(*quality * 100))).code == heif_error_Ok;
  }
  if (ok)
    ok = heif_image_create(px.width, px.height, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &picture).code ==
         heif_error_Ok;
  if (ok) ok = heif_image_add_plane(picture, heif_channel_interleaved, px.width, px.height, 8).code == heif_error_Ok;
  if (ok) {
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    ok = plane != nullptr;
    for (int y = 0; ok && y < px.height; ++y)
      unpremultiplyRow(px.row(y), plane + static_cast<std::size_t>(y) * stride, px.width);
  }
  if (ok) ok = heif_context_encode_image(context, picture, encoder, nullptr, &handle).code == heif_error_Ok;
  if (ok) {
    const foundation::Bytes exif = resolutionExif(dpi);
    ok = heif_context_add_exif_metadata(context, handle, exif.data(), static_cast<int>(exif.size())).code ==
         heif_error_Ok;
  }
  if (ok) {
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = heifWrite;
    ok = heif_context_write(context, &writer, &bytes).code == heif_error_Ok;
  }
  if (handle) heif_image_handle_release(handle);
  if (picture) heif_image_release(picture);
  if (encoder) heif_encoder_release(encoder);
  if (context) heif_context_free(context);
  if (!ok || bytes.empty()) cannotCreate(type);
  return bytes;
}

// --- PDF -------------------------------------------------------------------------------

extern "C" cairo_status_t pdfWrite(void* closure, const unsigned char* data, unsigned int length) {
  auto* bytes = static_cast<foundation::Bytes*>(closure);
  try {
    bytes->insert(bytes->end(), data, data + length);
  } catch (...) {
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

foundation::Bytes encodePDF(const gfx::Image& image, const ImageExportType& type) {
  const gfx::Size page = type.size().value_or(gfx::Size{});
  const Pixels px = pixelsOf(image);
  // PDF pages hold at most 14400 units a side; cairo refuses what it cannot write.
  if (!(page.width > 0) || !(page.height > 0) || !std::isfinite(page.width) || !std::isfinite(page.height) ||
      page.width > 14400 || page.height > 14400 || px.width <= 0 || px.height <= 0)
    foundation::raise(ImageReadWriteError::cannotCreatePDFContext);

  // The image as a cairo surface (native-endian premultiplied ARGB).
  cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, px.width, px.height);
  if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(source);
    foundation::raise(ImageReadWriteError::cannotCreatePDFContext);
  }
  cairo_surface_flush(source);
  unsigned char* target = cairo_image_surface_get_data(source);
  const int targetStride = cairo_image_surface_get_stride(source);
  for (int y = 0; y < px.height; ++y) {
    const std::uint8_t* s = px.row(y);
    auto* d = reinterpret_cast<std::uint32_t*>(target + static_cast<std::size_t>(y) * targetStride);
    for (int x = 0; x < px.width; ++x, s += 4)
      d[x] = (std::uint32_t(s[3]) << 24) | (std::uint32_t(s[0]) << 16) | (std::uint32_t(s[1]) << 8) | s[2];
  }
  cairo_surface_mark_dirty(source);

  foundation::Bytes bytes;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(pdfWrite, &bytes, page.width, page.height);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, page.width / px.width, page.height / px.height);
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_paint(cr);
  cairo_show_page(cr);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool finished = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  cairo_surface_destroy(source);
  if (!drawn || !finished || bytes.empty()) foundation::raise(ImageReadWriteError::cannotCreatePDFContext);
  return bytes;
}

// --- SVG -------------------------------------------------------------------------------

foundation::Bytes encodeSVG(const gfx::Image& image, const ImageExportType& type) {
  const ImageExportType* embedded = type.embeddedImageFormat();
  if (!embedded) foundation::raise(ImageReadWriteError::internalError);
  switch (embedded->kind()) {
    case ImageExportType::Kind::png:
    case ImageExportType::Kind::jpg:
    case ImageExportType::Kind::tiff:
    case ImageExportType::Kind::gif:
      break;
    default:
      foundation::raise(ImageReadWriteError::unsupportedEmbeddedImageType, std::string(embedded->mimeType()));
  }
  const gfx::Size size = type.size().value_or(gfx::Size{double(image.width()), double(image.height())});
  // The document's size must be finite and not negative.
  if (!std::isfinite(size.width) || !std::isfinite(size.height) || size.width < 0 || size.height < 0)
    foundation::raise(ImageReadWriteError::internalError, "SVG size must be finite and not negative");
  const std::string w = foundation::fixedString(size.width, 3);
  const std::string h = foundation::fixedString(size.height, 3);

  const foundation::Bytes data = encodeImageData(image, *embedded);
  const std::string base64 = foundation::base64Encode(data);

  std::string svg;
  svg.reserve(base64.size() + base64.size() / 64 + 512);
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
  svg += " version=\"1.1\" ";
  svg += " width=\"" + w + "\" height=\"" + h + "\" ";
  svg += " viewBox=\"0 0 " + w + " " + h + "\" ";
  svg += " >\n";
  svg += "<image width=\"" + foundation::shortestString(size.width) + "\" height=\"" +
         foundation::shortestString(size.height) + "\" ";
  svg += " xlink:href=\"data:";
  svg += embedded->mimeType();
  svg += ";base64,";
  for (std::size_t i = 0; i < base64.size(); i += 64) {
    if (i) svg += '\n';
    svg.append(base64, i, 64);
  }
  svg += "\" x=\"0\" y=\"0\" ";
  switch (type.fillStyle()) {
    case SVGImageFillStyle::aspectFill: svg += " preserveAspectRatio=\"xMidYMid slice\" "; break;
    case SVGImageFillStyle::aspectFit: svg += " "; break;
    case SVGImageFillStyle::scale: svg += "preserveAspectRatio=\"none\" "; break;
  }
  svg += " />\n";
  svg += "</svg>";
  return foundation::bytesOf(svg);
}

}  // namespace

// --- PNG settings ----------------------------------------------------------------------

PNGWriteOptions pngExportOptions(double dpi) {
  PNGWriteOptions options;
  options.dpi = dpi;
  // Measured on 300-pixel codes (a URL and a version-25 symbol, black on white and
  // white on clear): rows without a filter give the smallest files for these flat
  // images, and level 4 with zlib's "filtered" strategy is two to four times faster than
  // level 6 for files about a tenth larger.
  options.compressionLevel = 4;
  options.filters = PNGFilter::none;
  options.strategy = PNGStrategy::filtered;
  return options;
}

// --- entry point -----------------------------------------------------------------------

foundation::Bytes encodeImageData(const gfx::Image& image, const ImageExportType& type) {
  switch (type.kind()) {
    case ImageExportType::Kind::png: {
      const PNGWriteOptions options = pngExportOptions(checkedDPI(type));
      return writePNG(pngReady(image), options);
    }
    case ImageExportType::Kind::jpg: return encodeJPEG(image, type, checkedDPI(type));
    case ImageExportType::Kind::tiff: return encodeTIFF(image, type, checkedDPI(type));
    case ImageExportType::Kind::heic: return encodeHEIC(image, type, checkedDPI(type));
    case ImageExportType::Kind::gif: return encodeGIF(image, type);
    case ImageExportType::Kind::pdf: return encodePDF(image, type);
    case ImageExportType::Kind::svg: return encodeSVG(image, type);
  }
  foundation::raise(ImageReadWriteError::internalError);
}
