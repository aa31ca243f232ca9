#include "imageio/TIFFRead.hpp"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "imageio/ImageLoad.hpp"
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
int tiffSourceMap(thandle_t, void**, toff_t*) { return 0; }
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

// The alpha of a grey or CMYK file with one alpha sample after its colour: libtiff's RGBA
// reader drops it (16-bit grey, CMYK) or leaves it straight (8-bit grey), so these files
// are read here. Strips only, upright, 8 or 16 bits; none for every other file.
std::optional<std::uint16_t> greyOrCMYKAlpha(TIFF* tiff, std::uint16_t photometric, std::uint16_t samples,
                                             std::uint16_t bits, std::uint16_t inkSet, std::uint16_t orientation) {
  const bool grey = (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) && samples == 2;
  const bool cmyk = photometric == PHOTOMETRIC_SEPARATED && inkSet == INKSET_CMYK && samples == 5;
  if (!(grey || cmyk) || (bits != 8 && bits != 16) || TIFFIsTiled(tiff) || orientation != ORIENTATION_TOPLEFT ||
      field<std::uint16_t>(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) != SAMPLEFORMAT_UINT)
    return std::nullopt;
  std::uint16_t count = 0;
  std::uint16_t* kinds = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) != 1 || count != 1 || !kinds) return std::nullopt;
  if (kinds[0] != EXTRASAMPLE_ASSOCALPHA && kinds[0] != EXTRASAMPLE_UNASSALPHA) return std::nullopt;
  return kinds[0];
}

// Premultiplied rgba from grey + alpha or C, M, Y, K + alpha samples (contiguous or one
// plane per sample). 16-bit samples are rounded to 8 bits; straight colour is
// premultiplied, rounded to the nearest; associated colour is kept, limited to its alpha.
gfx::Image readGreyOrCMYKWithAlpha(TIFF* tiff, int width, int height, std::uint16_t samples, std::uint16_t bits,
                                   std::uint16_t planar, bool inverted, std::uint16_t alphaKind,
                                   const char* message) {
  const bool separate = planar == PLANARCONFIG_SEPARATE;
  const std::size_t bytesPerSample = bits / 8u;
  const std::size_t perRow = static_cast<std::size_t>(width) * (separate ? 1u : samples);
  if (static_cast<std::size_t>(TIFFScanlineSize64(tiff)) != perRow * bytesPerSample)
    undecodable("unexpected TIFF row size", message);
  std::vector<std::uint8_t> line(perRow * bytesPerSample);
  // One row of every sample as 8-bit values, sample s of pixel x at [x * samples + s].
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * samples);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  auto eightBits = [&](std::size_t i) -> std::uint8_t {
    if (bits == 8) return line[i];
    std::uint16_t v;
    std::memcpy(&v, line.data() + 2 * i, 2);  // libtiff hands samples over in native byte order
    return static_cast<std::uint8_t>((v * 255u + 32767u) / 65535u);
  };
  auto premultiplied = [](unsigned c, unsigned a) { return static_cast<std::uint8_t>((c * a + 127u) / 255u); };
  for (int y = 0; y < height; ++y) {
    for (std::uint16_t plane = 0; plane < (separate ? samples : 1); ++plane) {
      if (TIFFReadScanline(tiff, line.data(), static_cast<std::uint32_t>(y), plane) != 1)
        undecodable("damaged TIFF data", message);
      for (std::size_t i = 0; i < perRow; ++i) row[separate ? i * samples + plane : i] = eightBits(i);
    }
    std::uint8_t* out = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    for (int x = 0; x < width; ++x, out += 4) {
      const std::uint8_t* s = row.data() + static_cast<std::size_t>(x) * samples;
      const unsigned a = s[samples - 1];
      unsigned rgb[3];
      if (samples == 2) {
        const unsigned g = s[0];
        // White-is-zero: premultiplied, white at alpha a is a.
        rgb[0] = rgb[1] = rgb[2] = inverted ? (alphaKind == EXTRASAMPLE_ASSOCALPHA ? a - std::min(g, a) : 255u - g) : g;
      } else {
        // Inks to straight RGB as the cmyk image format converts them.
        const unsigned k = 255u - s[3];
        for (int c = 0; c < 3; ++c) rgb[c] = ((255u - s[c]) * k + 127u) / 255u;
      }
      for (int c = 0; c < 3; ++c)
        out[c] = alphaKind == EXTRASAMPLE_UNASSALPHA ? premultiplied(rgb[c], a)
                                                     : static_cast<std::uint8_t>(std::min(rgb[c], a));
      out[3] = static_cast<std::uint8_t>(a);
    }
  }
  return gfx::Image::make(width, height, std::move(pixels));
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
  // "m": the data is not memory-mapped (the source's bytes are read through tiffSourceRead).
  TIFF* tiff = TIFFClientOpenExt("memory", "rm", &source, tiffSourceRead, tiffSourceWrite, tiffSourceSeek, tiffSourceClose,
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
  const bool plainStrips = !TIFFIsTiled(tiff) && bits == 8 && planar == PLANARCONFIG_CONTIG &&
                           orientation == ORIENTATION_TOPLEFT;
  const bool grey = plainStrips && samples == 1 &&
                    (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE);
  const bool cmyk = plainStrips && samples == 4 && photometric == PHOTOMETRIC_SEPARATED && inkSet == INKSET_CMYK;

  if (const auto alpha = greyOrCMYKAlpha(tiff, photometric, samples, bits, inkSet, orientation)) {
    const bool inverted = photometric == PHOTOMETRIC_MINISWHITE;
    return readGreyOrCMYKWithAlpha(tiff, width, height, samples, bits, planar, inverted, *alpha, message);
  }

  if (grey || cmyk) {
    const gfx::PixelFormat format = grey ? gfx::PixelFormat::gray : gfx::PixelFormat::cmyk;
    const std::size_t stride = static_cast<std::size_t>(width) * gfx::bytesPerPixel(format);
    if (static_cast<std::size_t>(TIFFScanlineSize64(tiff)) != stride) undecodable("unexpected TIFF row size", message);
    std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
      if (TIFFReadScanline(tiff, pixels.data() + static_cast<std::size_t>(y) * stride, static_cast<std::uint32_t>(y),
                           0) != 1)
        undecodable("damaged TIFF data", message);
    if (grey && photometric == PHOTOMETRIC_MINISWHITE)
      for (std::uint8_t& v : pixels) v = static_cast<std::uint8_t>(255u - v);
    return gfx::Image::make(width, height, std::move(pixels), format);
  }

  char why[1024] = {0};
  if (!TIFFRGBAImageOK(tiff, why)) undecodable("unsupported TIFF", why);
  // libtiff's RGBA reader gives premultiplied alpha (it converts unassociated alpha and
  // passes associated alpha through), packed as one 32-bit value per pixel. It writes
  // straight into the image's buffer, which is then unpacked in place: one full-size copy.
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  if (TIFFReadRGBAImageOriented(tiff, w, h, reinterpret_cast<std::uint32_t*>(pixels.data()), ORIENTATION_TOPLEFT,
                                1) != 1)
    undecodable("damaged TIFF data", message);
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
  return gfx::Image::make(width, height, std::move(pixels));
}
