#include "imageio/TIFFRead.hpp"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imageio/Exif.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

struct Source {
  const std::uint8_t* data;
  std::uint64_t size;
  std::uint64_t position;
};

tmsize_t tiffSourceRead(thandle_t handle, void* buffer, tmsize_t size) {
  auto* s = static_cast<Source*>(handle);
  if (size <= 0 || s->position >= s->size) return 0;
  const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), s->size - s->position);
  std::memcpy(buffer, s->data + s->position, static_cast<std::size_t>(n));
  s->position += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t tiffSourceWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t tiffSourceSeek(thandle_t handle, toff_t offset, int whence) {
  auto* s = static_cast<Source*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = s->position;
  else if (whence == SEEK_END) base = s->size;
  // Offsets are unsigned; a seek that wraps around is refused.
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  s->position = base + offset;
  return s->position;
}
int tiffSourceClose(thandle_t) { return 0; }
toff_t tiffSourceSize(thandle_t handle) { return static_cast<Source*>(handle)->size; }
// The data is handed to libtiff as a mapped file, read in place: from an unmapped file its
// RGBA reader refuses uncompressed tiles whose size is not a multiple of 1 024 bytes.
// libtiff never writes to mapped data.
int tiffSourceMap(thandle_t handle, void** base, toff_t* size) {
  auto* s = static_cast<Source*>(handle);
  *base = const_cast<std::uint8_t*>(s->data);
  *size = s->size;
  return 1;
}
void tiffSourceUnmap(thandle_t, void*, toff_t) {}

// libtiff reports through these handlers; the last error text is kept for the message.
int tiffKeepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* text = static_cast<char*>(user);
  const int n = std::snprintf(text, 256, "%s: ", module ? module : "TIFF");
  if (n > 0 && n < 256) std::vsnprintf(text + n, static_cast<std::size_t>(256 - n), format, args);
  return 1;
}
int tiffIgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

[[noreturn]] void undecodable(const char* what, const char* detail) {
  std::string text = what;
  if (detail && detail[0]) text += std::string(" (") + detail + ")";
  foundation::raise(ImageReadWriteError::unableToDecodeImage, std::move(text));
}

template <class T>
T field(TIFF* tiff, ttag_t tag, T fallback) {
  T value{};
  return TIFFGetFieldDefaulted(tiff, tag, &value) == 1 ? value : fallback;
}

// Grey, RGB and CMYK files of 8 or 16 unsigned bits a sample are read here, block by
// block, so that alpha and extra samples follow one rule in every layout: libtiff's RGBA
// reader drops the alpha of 16-bit grey and of CMYK, leaves 8-bit grey's straight,
// refuses 16-bit CMYK and takes an extra sample of no stated kind after RGB for alpha.
struct SampleLayout {
  std::uint16_t samples;  // per pixel, extra samples included
  std::uint16_t colour;   // 1 (grey), 3 (R, G, B) or 4 (C, M, Y, K)
  std::uint16_t bits;     // 8 or 16
  bool separate;          // one plane per sample
  bool inverted;          // white is zero
  std::uint16_t alpha;    // EXTRASAMPLE_ASSOCALPHA or EXTRASAMPLE_UNASSALPHA after the colour; 0 for none

  // Of separate planes only the colour and the alpha are read; other extra samples are skipped.
  std::uint16_t planesRead() const { return separate ? colour + (alpha ? 1 : 0) : 1; }
};

std::optional<SampleLayout> sampleLayout(TIFF* tiff, std::uint16_t photometric, std::uint16_t samples,
                                         std::uint16_t bits, std::uint16_t planar, std::uint16_t inkSet) {
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
  const bool rgb = photometric == PHOTOMETRIC_RGB;
  const bool cmyk = photometric == PHOTOMETRIC_SEPARATED && inkSet == INKSET_CMYK;
  const std::uint16_t colour = grey ? 1 : rgb ? 3 : 4;
  if (!(grey || rgb || cmyk) || (bits != 8 && bits != 16) || samples < colour) return std::nullopt;
  SampleLayout layout{samples, colour, bits, planar == PLANARCONFIG_SEPARATE, photometric == PHOTOMETRIC_MINISWHITE, 0};
  std::uint16_t count = 0;
  std::uint16_t* kinds = nullptr;
  // Extra samples that are not alpha are skipped.
  if (samples > colour && TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) == 1 && count >= 1 && kinds &&
      (kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA))
    layout.alpha = kinds[0];
  return layout;
}

// The largest tile read here, its planes together, as libtiff's own allocations are limited.
constexpr std::uint64_t kMaxBlockBytes = 256u * 1024u * 1024u;
// A tile may be larger than its image, but not by more than this many pixels: a header of
// a few bytes must not make us hold hundreds of megabytes for a picture of one pixel.
constexpr std::uint64_t kMaxTilePixelsBeyondImage = 1u << 20;

// Converts `columns` stored pixels into image pixels: grey and CMYK without alpha as gray
// and cmyk pixels; RGB, and any colour with alpha, as premultiplied rgba. 16-bit samples
// are rounded to 8 bits; straight colour is premultiplied, rounded to the nearest;
// associated colour is kept, limited to its alpha. planes[p] holds the samples of plane p
// from the first pixel on (plane 0 every sample, when they are contiguous).
void convertPixels(const SampleLayout& layout, const std::uint8_t* const* planes, std::uint32_t columns,
                   std::uint8_t* out, std::size_t outBytes) {
  const std::size_t sampleBytes = layout.bits / 8u, step = layout.separate ? sampleBytes : layout.samples * sampleBytes;
  // Sample s of the pixel at byte offset at (in its plane) on 16 bits (8-bit samples times
  // 257), and rounded to 8 bits.
  auto wide = [&](std::size_t at, std::uint16_t s) -> std::uint64_t {
    const std::uint8_t* p = layout.separate ? planes[s] + at : planes[0] + at + s * sampleBytes;
    if (layout.bits == 8) return *p * 257u;
    std::uint16_t v;
    std::memcpy(&v, p, 2);  // libtiff hands samples over in native byte order
    return v;
  };
  auto sample = [&](std::size_t at, std::uint16_t s) {
    return static_cast<unsigned>((wide(at, s) * 255u + 32767u) / 65535u);
  };
  auto premultiplied = [](unsigned c, unsigned a) { return static_cast<std::uint8_t>((c * a + 127u) / 255u); };
  for (std::uint32_t c = 0; c < columns; ++c, out += outBytes) {
    const std::size_t at = c * step;
    if (!layout.alpha && layout.colour != 3) {
      if (layout.colour == 1) {
        out[0] = static_cast<std::uint8_t>(layout.inverted ? 255u - sample(at, 0) : sample(at, 0));
      } else {
        for (std::uint16_t s = 0; s < 4; ++s) out[s] = static_cast<std::uint8_t>(sample(at, s));
      }
      continue;
    }
    const bool associated = layout.alpha == EXTRASAMPLE_ASSOCALPHA;
    const unsigned a = layout.alpha ? sample(at, layout.colour) : 255u;
    unsigned rgb[3];
    if (layout.colour == 1) {
      const unsigned g = sample(at, 0);
      // White-is-zero: premultiplied, white at alpha a is a.
      rgb[0] = rgb[1] = rgb[2] = layout.inverted ? (associated ? a - std::min(g, a) : 255u - g) : g;
    } else if (layout.colour == 3) {
      for (std::uint16_t i = 0; i < 3; ++i) rgb[i] = sample(at, i);
    } else {
      // Inks to RGB as the cmyk image format converts them: (1 - ink) x (1 - black).
      // Associated inks are premultiplied (straight, they are ink / alpha), so their
      // premultiplied colour is (alpha - ink) x (alpha - black) / alpha. On 16 bits.
      const std::uint64_t top = associated ? wide(at, 4) : 65535u;
      auto clear = [&](std::uint16_t s) { return top - std::min(wide(at, s), top); };
      for (std::uint16_t i = 0; i < 3; ++i)
        rgb[i] = top ? static_cast<unsigned>((clear(i) * clear(3) * 255u + top * 32767u) / (top * 65535u)) : 0u;
    }
    for (int i = 0; i < 3; ++i)
      out[i] = layout.alpha == EXTRASAMPLE_UNASSALPHA ? premultiplied(rgb[i], a) : static_cast<std::uint8_t>(std::min(rgb[i], a));
    out[3] = static_cast<std::uint8_t>(a);
  }
}

using TIFFHandle = std::unique_ptr<TIFF, void (*)(TIFF*)>;
TIFF* openTIFF(Source& source, char* message);

// The image's pixels in stored order (row 0 as the file's first row), converted as they
// are decoded, so that a file costs its picture and a row or a tile, never a plane or a
// strip held whole; the picture is allocated once the first row or tile of every plane is
// read. Strips are read a row at a time; of one plane per sample each plane through a
// handle of its own (libtiff decodes one strip at a time, and planes that took turns on
// one handle would start their strips again for every row).
std::vector<std::uint8_t> readSamples(std::span<const std::uint8_t> data, TIFF* tiff, std::uint32_t width,
                                      std::uint32_t height, const SampleLayout& layout, gfx::PixelFormat format,
                                      char* message) {
  const std::uint64_t perPixel = layout.separate ? 1u : layout.samples;  // samples of a pixel in one plane
  const std::uint64_t pixelBytes = perPixel * (layout.bits / 8u);
  const std::uint16_t planes = layout.planesRead();
  const std::size_t outBytes = gfx::bytesPerPixel(format);
  std::vector<std::uint8_t> pixels;
  std::vector<const std::uint8_t*> from(planes);
  if (!TIFFIsTiled(tiff)) {
    const std::uint64_t rowBytes = width * pixelBytes;
    if (static_cast<std::uint64_t>(TIFFScanlineSize64(tiff)) != rowBytes)
      undecodable("unexpected TIFF strip or tile size", message);
    std::vector<Source> sources(planes, Source{data.data(), data.size(), 0});
    std::vector<TIFFHandle> handles;
    for (std::uint16_t plane = 0; plane < planes; ++plane) {
      handles.emplace_back(plane == 0 ? nullptr : openTIFF(sources[plane], message), TIFFClose);
      if (plane > 0 && !handles.back()) undecodable("damaged TIFF header", message);
    }
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(rowBytes) * planes);
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint16_t plane = 0; plane < planes; ++plane) {
        from[plane] = rows.data() + plane * rowBytes;
        if (TIFFReadScanline(plane == 0 ? tiff : handles[plane].get(), rows.data() + plane * rowBytes, y, plane) < 0)
          undecodable("damaged TIFF data", message);
      }
      if (y == 0) pixels.resize(static_cast<std::size_t>(width) * height * outBytes);
      convertPixels(layout, from.data(), width, pixels.data() + static_cast<std::size_t>(y) * width * outBytes, outBytes);
    }
    return pixels;
  }

  const std::uint32_t blockW = field<std::uint32_t>(tiff, TIFFTAG_TILEWIDTH, 0);
  const std::uint32_t blockH = field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH, 0);
  if (blockW == 0 || blockH == 0 || blockW > kMaxBlockBytes / pixelBytes / planes)
    undecodable("unexpected TIFF strip or tile size", message);
  const std::uint64_t stride = blockW * pixelBytes;
  if (blockH > kMaxBlockBytes / planes / stride) undecodable("unexpected TIFF strip or tile size", message);
  const std::uint64_t blockBytes = stride * blockH;
  if (static_cast<std::uint64_t>(TIFFTileSize64(tiff)) != blockBytes ||
      std::uint64_t{blockW} * blockH > std::max<std::uint64_t>(std::uint64_t{width} * height, kMaxTilePixelsBeyondImage))
    undecodable("unexpected TIFF strip or tile size", message);
  // Not cleared: a tile's buffer holds what its decoding wrote, and no more is resident.
  std::vector<std::unique_ptr<std::uint8_t[]>> block(planes);
  for (std::uint32_t y0 = 0; y0 < height; y0 += blockH) {
    const std::uint32_t rows = std::min(blockH, height - y0);
    for (std::uint32_t x0 = 0; x0 < width; x0 += blockW) {
      for (std::uint16_t plane = 0; plane < planes; ++plane) {
        if (!block[plane]) block[plane].reset(new std::uint8_t[static_cast<std::size_t>(blockBytes)]);
        const tmsize_t got = TIFFReadEncodedTile(tiff, TIFFComputeTile(tiff, x0, y0, 0, plane), block[plane].get(),
                                                 static_cast<tmsize_t>(blockBytes));
        if (got < 0 || static_cast<std::uint64_t>(got) < blockBytes) undecodable("damaged TIFF data", message);
      }
      if (pixels.empty()) pixels.resize(static_cast<std::size_t>(width) * height * outBytes);
      for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint16_t plane = 0; plane < planes; ++plane) from[plane] = block[plane].get() + r * stride;
        convertPixels(layout, from.data(), std::min(blockW, width - x0),
                      pixels.data() + ((static_cast<std::size_t>(y0) + r) * width + x0) * outBytes, outBytes);
      }
    }
  }
  return pixels;
}

// Decoding costs what it reads: every sample of every pixel, used or not (of samples in
// planes apart, the planes read), tiles whole. One pixel of the pixel limit and budget
// pays for this many bytes: four inks and an alpha of 16 bits, the widest pixel read, so
// that every picture costs its pixels and only samples beyond them cost more.
constexpr double kDecodedBytesPerPixel = 10;

// Charges what decoding reads beyond the pixels' share (the pixels are charged already)
// to the pixel limit and the thread's budget before anything is decoded; refuses the file
// when it does not fit.
void admitDecodedBytes(TIFF* tiff, std::uint32_t width, std::uint32_t height, std::uint16_t samples,
                       std::uint16_t planesRead, std::size_t maxPixels) {
  double bytes = 0;
  if (TIFFIsTiled(tiff)) {
    const auto across = field<std::uint32_t>(tiff, TIFFTAG_TILEWIDTH, 0);
    const auto down = field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH, 0);
    if (across == 0 || down == 0) return;  // refused when read
    bytes = std::ceil(double(width) / across) * std::ceil(double(height) / down) * double(TIFFTileSize64(tiff));
  } else {
    bytes = double(height) * double(TIFFScanlineSize64(tiff));
  }
  bytes *= planesRead;
  const double pixels = double(width) * height, charge = std::ceil(bytes / kDecodedBytesPerPixel);
  if (charge <= pixels) return;
  const ImagePixelBudget* budget = ImagePixelBudget::current();
  const double allowed = std::min(double(maxPixels), pixels + double(budget ? budget->remaining() : maxPixels));
  if (charge > allowed) {
    char text[160];
    std::snprintf(text, sizeof text, "TIFF of %u samples a pixel decodes %.0f bytes, more than the %.0f allowed",
                  unsigned{samples}, bytes, allowed * kDecodedBytesPerPixel);
    undecodable(text, nullptr);
  }
  ImagePixelBudget::spend(static_cast<std::uint64_t>(charge - pixels));
}

const char* sampleFormatName(std::uint16_t format) {
  switch (format) {
    case SAMPLEFORMAT_INT: return "signed integer";
    case SAMPLEFORMAT_IEEEFP: return "floating-point";
    case SAMPLEFORMAT_VOID: return "untyped";
    case SAMPLEFORMAT_COMPLEXINT: return "complex integer";
    case SAMPLEFORMAT_COMPLEXIEEEFP: return "complex floating-point";
    default: return "unknown";
  }
}

}  // namespace

bool imageio::isTIFFData(std::span<const std::uint8_t> data) {
  if (data.size() < 4) return false;
  const bool little = data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
  const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
  return little || big;
}

namespace {

// The first directory of the data, or none; libtiff's last error text goes to message.
TIFF* openTIFF(Source& source, char* message) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, tiffKeepError, message);
  TIFFOpenOptionsSetWarningHandlerExtR(options, tiffIgnoreWarning, nullptr);
  // No single allocation of libtiff's own (strips, tiles, tag arrays) may exceed this.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, 256 * 1024 * 1024);
  TIFF* tiff = TIFFClientOpenExt("memory", "r", &source, tiffSourceRead, tiffSourceWrite, tiffSourceSeek, tiffSourceClose,
                                 tiffSourceSize, tiffSourceMap, tiffSourceUnmap, options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

struct CloseTIFF {
  TIFF* tiff;
  ~CloseTIFF() {
    if (tiff) TIFFClose(tiff);
  }
};

}  // namespace

std::optional<gfx::Size> imageio::readTIFFResolution(std::span<const std::uint8_t> data) {
  if (!imageio::isTIFFData(data)) return std::nullopt;
  char message[256] = {0};
  Source source{data.data(), data.size(), 0};
  const CloseTIFF release{openTIFF(source, message)};
  if (!release.tiff) return std::nullopt;
  float x = 0, y = 0;
  if (TIFFGetField(release.tiff, TIFFTAG_XRESOLUTION, &x) != 1 || TIFFGetField(release.tiff, TIFFTAG_YRESOLUTION, &y) != 1)
    return std::nullopt;
  // Across and down the picture as it is shown: the orientations that turn it exchange them.
  if (imageio::orientationTurnsSideways(field<std::uint16_t>(release.tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)))
    std::swap(x, y);
  const auto unit = field<std::uint16_t>(release.tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (unit == RESUNIT_CENTIMETER) return gfx::Size{x * 2.54, y * 2.54};
  if (unit == RESUNIT_INCH) return gfx::Size{double(x), double(y)};
  return std::nullopt;  // a ratio without a unit
}

gfx::Image imageio::readTIFF(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (!imageio::isTIFFData(data)) undecodable("not a TIFF", nullptr);
  char message[256] = {0};
  Source source{data.data(), data.size(), 0};
  const CloseTIFF release{openTIFF(source, message)};
  TIFF* tiff = release.tiff;
  if (!tiff) undecodable("damaged TIFF header", message);

  std::uint32_t w = 0, h = 0;
  if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w) != 1 || TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h) != 1)
    undecodable("TIFF without a size", message);
  imageio::admitDecodedImage(w, h, maxPixels);
  const int width = static_cast<int>(w), height = static_cast<int>(h);

  const auto photometric = field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC, 0xFFFF);
  const auto samples = field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  const auto bits = field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE, 1);
  const auto planar = field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  const auto inkSet = field<std::uint16_t>(tiff, TIFFTAG_INKSET, INKSET_CMYK);
  const auto orientation = field<std::uint16_t>(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  const auto sampleFormat = field<std::uint16_t>(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
  if (sampleFormat != SAMPLEFORMAT_UINT)
    undecodable((std::string("TIFF of ") + sampleFormatName(sampleFormat) + " samples is not supported").c_str(),
                (std::to_string(bits) + " bits a sample").c_str());

  const auto layout = sampleLayout(tiff, photometric, samples, bits, planar, inkSet);
  // Of separate planes libtiff's RGBA reader reads at most four: the colour and the alpha.
  const std::uint16_t planes = planar == PLANARCONFIG_SEPARATE ? std::min<std::uint16_t>(samples, 4) : 1;
  admitDecodedBytes(tiff, w, h, samples, layout ? layout->planesRead() : planes, maxPixels);
  if (layout) {
    const gfx::PixelFormat format = layout->alpha || layout->colour == 3 ? gfx::PixelFormat::rgba
                                    : layout->colour == 1                ? gfx::PixelFormat::gray
                                                                         : gfx::PixelFormat::cmyk;
    std::vector<std::uint8_t> pixels = readSamples(data, tiff, w, h, *layout, format, message);
    return imageio::uprightImage(gfx::Image::make(width, height, std::move(pixels), format), orientation);
  }

  char why[1024] = {0};
  TIFFRGBAImage reader{};
  if (!TIFFRGBAImageOK(tiff, why) || !TIFFRGBAImageBegin(&reader, tiff, 1, why)) undecodable("unsupported TIFF", why);
  // libtiff's RGBA reader gives premultiplied alpha (it converts unassociated alpha and
  // passes associated alpha through), packed as one 32-bit value per pixel. Asked for the
  // file's own orientation it gives the rows as stored; they are turned upright below,
  // as libtiff's own turning does not exchange rows and columns. It writes straight into
  // the image's buffer, which is then unpacked in place.
  reader.req_orientation = reader.orientation;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  const int read = TIFFRGBAImageGet(&reader, reinterpret_cast<std::uint32_t*>(pixels.data()), w, h);
  TIFFRGBAImageEnd(&reader);
  if (read != 1) undecodable("damaged TIFF data", message);
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    std::uint32_t p;
    std::memcpy(&p, pixels.data() + i, 4);
    pixels[i] = static_cast<std::uint8_t>(TIFFGetR(p));
    pixels[i + 1] = static_cast<std::uint8_t>(TIFFGetG(p));
    pixels[i + 2] = static_cast<std::uint8_t>(TIFFGetB(p));
    pixels[i + 3] = static_cast<std::uint8_t>(TIFFGetA(p));
  }
  // A file that says its alpha is associated may still hold colour above it.
  imageio::clampColorToAlpha(pixels);
  return imageio::uprightImage(gfx::Image::make(width, height, std::move(pixels)), orientation);
}
