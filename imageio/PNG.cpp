#include "imageio/PNG.hpp"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

constexpr const char* kPNGType = "public.png";

// --- writing ---------------------------------------------------------------------------

struct WriteSink {
  foundation::Bytes* out;
};

void writeData(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<WriteSink*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    sink->out->insert(sink->out->end(), data, data + length);
  } catch (...) {
    failed = true;
  }
  // Leave the catch block before libpng jumps away.
  if (failed) png_error(png, "out of memory");
}

void flushData(png_structp) {}

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// The memory libpng and zlib ask for while writing one PNG (the compressor's window, hash
// chains and buffers: a few hundred kilobytes, most of it freed at the end). Writing one
// code after another would hand it back to the system and fault it in again each time, so
// a write takes its allocations from one kept block, handed from write to write, and frees
// nothing until the write ends. What does not fit (a first write, or a bigger one) comes
// from malloc, and the block kept for the next write grows to what this one needed.
class WriteArena {
 public:
  static constexpr std::size_t kKeptBytes = 4u << 20;

  // The kept block for one write (none when another write on another thread holds it).
  static WriteArena take() {
    WriteArena arena;
    std::lock_guard lock(kept().mutex);
    std::swap(arena.block_, kept().block);
    std::swap(arena.capacity_, kept().capacity);
    return arena;
  }

  WriteArena(WriteArena&& other) noexcept
      : block_(std::exchange(other.block_, nullptr)),
        capacity_(std::exchange(other.capacity_, 0)),
        used_(other.used_),
        wanted_(other.wanted_) {}
  WriteArena& operator=(WriteArena&&) = delete;

  // Keeps the block (grown to what this write needed) for the next write.
  ~WriteArena() {
    if (wanted_ > capacity_ && wanted_ <= kKeptBytes) {
      std::free(block_);
      capacity_ = wanted_;
      block_ = static_cast<unsigned char*>(std::malloc(capacity_));
      if (!block_) capacity_ = 0;
    }
    {
      std::lock_guard lock(kept().mutex);
      if (!kept().block) {
        std::swap(block_, kept().block);
        std::swap(capacity_, kept().capacity);
      }
    }
    std::free(block_);
  }

  static png_voidp allocate(png_structp png, png_alloc_size_t size) {
    auto* arena = static_cast<WriteArena*>(png_get_mem_ptr(png));
    const std::size_t rounded = (static_cast<std::size_t>(size) + 15u) & ~std::size_t{15};
    if (rounded < size) return nullptr;
    arena->wanted_ += rounded;
    if (arena->block_ && rounded <= arena->capacity_ - arena->used_) {
      void* p = arena->block_ + arena->used_;
      arena->used_ += rounded;
      return p;
    }
    return std::malloc(size);
  }

  static void release(png_structp png, png_voidp p) {
    auto* arena = static_cast<WriteArena*>(png_get_mem_ptr(png));
    auto* bytes = static_cast<unsigned char*>(p);
    if (arena->block_ && bytes >= arena->block_ && bytes < arena->block_ + arena->capacity_) return;
    std::free(p);
  }

 private:
  WriteArena() = default;

  struct Kept {
    std::mutex mutex;
    unsigned char* block = nullptr;
    std::size_t capacity = 0;
  };
  static Kept& kept() {
    static Kept k;
    return k;
  }

  unsigned char* block_ = nullptr;  // malloc'd, 16-byte aligned
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::size_t wanted_ = 0;  // everything this write asked for
};

// Turns one row of source pixels into the row libpng takes.
using RowConverter = void (*)(const std::uint8_t* src, std::uint8_t* dst, int width);

// Premultiplied to straight alpha, rounded to nearest (as readers multiply back).
inline void unpremultiply(unsigned r, unsigned g, unsigned b, unsigned a, std::uint8_t* dst) {
  if (a == 255) {
    dst[0] = static_cast<std::uint8_t>(r);
    dst[1] = static_cast<std::uint8_t>(g);
    dst[2] = static_cast<std::uint8_t>(b);
  } else if (a == 0) {
    dst[0] = dst[1] = dst[2] = 0;
  } else {
    const unsigned c[3] = {r, g, b};
    for (int i = 0; i < 3; ++i) {
      const unsigned v = (c[i] * 255u + a / 2u) / a;
      dst[i] = static_cast<std::uint8_t>(v > 255u ? 255u : v);
    }
  }
  dst[3] = static_cast<std::uint8_t>(a);
}

void rgbaToStraight(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 4, dst += 4) {
    if (src[3] == 255) std::memcpy(dst, src, 4);
    else unpremultiply(src[0], src[1], src[2], src[3], dst);
  }
}

void rgbaToGray(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = src[4 * x];
}

// Cairo's native-endian 0xAARRGGBB words (rows are 4-byte aligned).
void argbToStraight(const std::uint8_t* src, std::uint8_t* dst, int width) {
  const auto* in = reinterpret_cast<const std::uint32_t*>(src);
  for (int x = 0; x < width; ++x, dst += 4) {
    const std::uint32_t v = in[x];
    unpremultiply((v >> 16) & 0xffu, (v >> 8) & 0xffu, v & 0xffu, v >> 24, dst);
  }
}

void argbToGray(const std::uint8_t* src, std::uint8_t* dst, int width) {
  const auto* in = reinterpret_cast<const std::uint32_t*>(src);
  for (int x = 0; x < width; ++x) dst[x] = static_cast<std::uint8_t>(in[x] >> 16);
}

// Whether every pixel is opaque with equal red, green and blue: one read-only pass that
// collects the differences of a row without branching (the compiler vectorises it).
bool rgbaIsOpaqueGray(const std::uint8_t* pixels, std::size_t stride, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = pixels + static_cast<std::size_t>(y) * stride;
    unsigned differs = 0;
    for (int x = 0; x < width; ++x, p += 4)
      differs |= static_cast<unsigned>((p[0] ^ p[1]) | (p[1] ^ p[2]) | (p[3] ^ 255u));
    if (differs) return false;
  }
  return true;
}

// Eight pixels at a time as one vector (the compiler's generic vectors: plain SSE2 on
// x86-64), the rest of a row one by one.
using Pixels8 = std::uint32_t __attribute__((vector_size(32)));

bool argbIsOpaqueGray(const gfx::SurfacePixels& pixels) {
  for (int y = 0; y < pixels.height; ++y) {
    const std::uint32_t* p = pixels.row(y);
    // Red ^ green and green ^ blue in the low 16 bits, alpha ^ 255 in the low 8.
    Pixels8 differs8{};
    int x = 0;
    for (; x + 8 <= pixels.width; x += 8) {
      Pixels8 v;
      std::memcpy(&v, p + x, sizeof v);
      differs8 |= (((v >> 8) ^ v) & 0xffffu) | ((v >> 24) ^ 0xffu);
    }
    std::uint32_t differs = 0;
    for (int i = 0; i < 8; ++i) differs |= differs8[i];
    for (; x < pixels.width; ++x) {
      const std::uint32_t v = p[x];
      differs |= (((v >> 8) ^ v) & 0xffffu) | ((v >> 24) ^ 0xffu);
    }
    if (differs) return false;
  }
  return true;
}

struct WriteParams {
  const std::uint8_t* pixels;  // top row first, stride bytes apart
  std::size_t stride;
  int width, height;
  bool gray;
  RowConverter convert;  // null: the rows go to libpng as they are
  png_uint_32 pixelsPerMetreX, pixelsPerMetreY;
  const std::vector<png_text>* text;
  int level;
  int filters;
  int strategy;
  std::uint8_t* rowBuffer;  // one converted row
};

// Only plain C data lives in this frame: libpng may longjmp back into it.
bool runWrite(png_structp png, png_infop info, const WriteParams* p, WriteSink* sink) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, sink, writeData, flushData);
  png_set_IHDR(png, info, static_cast<png_uint_32>(p->width), static_cast<png_uint_32>(p->height), 8,
               p->gray ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, p->pixelsPerMetreX, p->pixelsPerMetreY, PNG_RESOLUTION_METER);
  if (!p->text->empty()) png_set_text(png, info, p->text->data(), static_cast<int>(p->text->size()));
  png_set_compression_level(png, p->level);
  png_set_compression_strategy(png, p->strategy);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, p->filters);
  png_write_info(png, info);
  for (int y = 0; y < p->height; ++y) {
    const std::uint8_t* src = p->pixels + static_cast<std::size_t>(y) * p->stride;
    if (p->convert) {
      p->convert(src, p->rowBuffer, p->width);
      png_write_row(png, p->rowBuffer);
    } else {
      png_write_row(png, src);
    }
  }
  png_write_end(png, info);
  return true;
}

int zlibStrategy(PNGStrategy s) {
  switch (s) {
    case PNGStrategy::defaultStrategy: return 0;  // Z_DEFAULT_STRATEGY
    case PNGStrategy::filtered: return 1;         // Z_FILTERED
    case PNGStrategy::huffmanOnly: return 2;      // Z_HUFFMAN_ONLY
    case PNGStrategy::rle: return 3;              // Z_RLE
  }
  return 0;
}

// --- reading the chunk list ------------------------------------------------------------

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

[[noreturn]] void undecodable(std::string text = {}) {
  foundation::raise(ImageReadWriteError::unableToDecodeImage, std::move(text));
}

// False when the file's image data is too short to inflate to the image's samples at
// deflate's best ratio (1032 to 1), so that a truncated file is refused before its
// pixels are allocated. The IHDR chunk comes first (libpng has checked it).
bool holdsEnoughImageData(std::span<const std::uint8_t> data, std::uint64_t width, std::uint64_t height) {
  if (data.size() < 33) return false;
  static constexpr unsigned channels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
  const unsigned depth = data[24], colourType = data[25];
  const std::uint64_t bits = width * height * depth * (colourType < 7 ? channels[colourType] : 4u);
  std::uint64_t coded = 0;
  for (std::size_t pos = 8; pos + 12 <= data.size();) {
    const std::uint32_t length = bigEndian32(&data[pos]);
    if (std::memcmp(&data[pos + 4], "IDAT", 4) == 0) coded += length;
    if (length > data.size() - pos - 12) break;
    pos += 12 + static_cast<std::size_t>(length);
  }
  return coded * 1032 + 1024 >= bits / 8;
}

// The ancillary chunks that change the pixels libpng's simplified reader gives:
// transparency, the colour space and the background.
constexpr std::string_view kPixelChunks[] = {"tRNS", "gAMA", "sRGB", "iCCP", "cHRM", "sBIT", "bKGD"};

// The file without the ancillary chunks before its image data that the picture does not
// need (texts, suggested palettes, Exif, unknown chunks, ...) and with only the first of
// each that it does: libpng reads them all before the picture, inflating each compressed
// text (up to its limit of 8 MB a chunk) and keeping every one, and it inflates an ICC
// profile (up to the same limit) once. None when nothing is left out. The first chunk
// (the header), critical chunks, names that are not four letters, everything from the
// first image data on and everything from a chunk that runs past the end are kept as they
// are, for libpng to judge.
std::optional<foundation::Bytes> withoutUnusedChunks(std::span<const std::uint8_t> data) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  const auto from = [&](std::size_t at) { return data.begin() + static_cast<std::ptrdiff_t>(at); };
  std::optional<foundation::Bytes> out;
  bool seen[std::size(kPixelChunks)] = {};
  std::size_t pos = 8;
  while (pos + 12 <= data.size()) {
    const std::uint32_t length = bigEndian32(&data[pos]);
    const std::string_view type(reinterpret_cast<const char*>(&data[pos + 4]), 4);
    if (type == "IDAT" || length > data.size() - pos - 12) break;
    const auto pixelChunk = static_cast<std::size_t>(std::ranges::find(kPixelChunks, type) - std::begin(kPixelChunks));
    const bool ancillary = std::ranges::all_of(type, letter) && type[0] >= 'a';
    const bool keep = pos == 8 || !ancillary || (pixelChunk < std::size(kPixelChunks) && !seen[pixelChunk]);
    if (pixelChunk < std::size(kPixelChunks)) seen[pixelChunk] = true;
    const std::size_t end = pos + 12 + std::size_t{length};
    if (!keep && !out) out.emplace(data.begin(), from(pos));
    if (keep && out) out->insert(out->end(), from(pos), from(end));
    pos = end;
  }
  if (out) out->insert(out->end(), from(pos), data.end());
  return out;
}

}  // namespace

bool imageio::isPNGData(std::span<const std::uint8_t> data) {
  static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  return data.size() >= 8 && std::equal(signature, signature + 8, data.begin());
}

namespace {

// Fails with invalidDPI for a resolution that is not finite and positive, and with
// cannotCreateImageOfType for no pixels: the checks every writer makes first, in this order.
void checkWritable(const PNGWriteOptions& options, bool hasPixels) {
  const double dpiY = options.verticalDPI.value_or(options.dpi);
  if (!(options.dpi > 0) || !std::isfinite(options.dpi) || !(dpiY > 0) || !std::isfinite(dpiY))
    foundation::raise(ImageReadWriteError::invalidDPI);
  if (!hasPixels) foundation::raise(ImageReadWriteError::cannotCreateImageOfType, kPNGType);
}

// Writes the rows described by the source fields of params (pixels, stride, size, gray,
// convert) with the options' settings, which checkWritable has accepted.
foundation::Bytes writeRows(WriteParams params, const PNGWriteOptions& options) {
  const double dpiY = options.verticalDPI.value_or(options.dpi);
  auto pixelsPerMetre = [](double dpi) {
    return static_cast<png_uint_32>(std::clamp(std::round(dpi / 0.0254), 1.0, 2147483647.0));
  };
  // libpng keeps pointers to the texts, which live in the options until the end.
  std::vector<png_text> text(options.text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i].compression = PNG_TEXT_COMPRESSION_NONE;
    text[i].key = const_cast<char*>(options.text[i].first.c_str());
    text[i].text = const_cast<char*>(options.text[i].second.c_str());
    text[i].text_length = options.text[i].second.size();
  }
  foundation::Bytes out;
  out.reserve(static_cast<std::size_t>(params.width) * params.height / 4 + 1024);
  std::vector<std::uint8_t> rowBuffer(params.convert ? static_cast<std::size_t>(params.width) * 4 : 0);
  WriteSink sink{&out};
  params.pixelsPerMetreX = pixelsPerMetre(options.dpi);
  params.pixelsPerMetreY = pixelsPerMetre(dpiY);
  params.text = &text;
  params.level = std::clamp(options.compressionLevel, 0, 9);
  const int filters = static_cast<int>(options.filters & PNGFilter::all);
  params.filters = filters ? filters : PNG_FILTER_NONE;
  params.strategy = zlibStrategy(options.strategy);
  params.rowBuffer = rowBuffer.data();

  WriteArena arena = WriteArena::take();
  png_structp png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning, &arena,
                                              WriteArena::allocate, WriteArena::release);
  if (!png) foundation::raise(ImageReadWriteError::cannotCreateImageOfType, kPNGType);
  png_infop info = png_create_info_struct(png);
  const bool ok = info && runWrite(png, info, &params, &sink);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!ok || out.empty()) foundation::raise(ImageReadWriteError::cannotCreateImageOfType, kPNGType);
  return out;
}

}  // namespace

foundation::Bytes imageio::writePNG(const gfx::Image& source, const PNGWriteOptions& options) {
  checkWritable(options, !source.empty());
  const gfx::Image image = source.format() == gfx::PixelFormat::cmyk ? source.toRGBA() : source;
  WriteParams params{};
  params.pixels = image.pixels().data();
  params.stride = image.bytesPerRow();
  params.width = image.width();
  params.height = image.height();
  if (image.format() == gfx::PixelFormat::gray) {
    params.gray = true;
  } else if (options.grayWhenOpaqueGray && source.format() == gfx::PixelFormat::rgba &&
             rgbaIsOpaqueGray(params.pixels, params.stride, params.width, params.height)) {
    params.gray = true;
    params.convert = rgbaToGray;
  } else {
    params.convert = rgbaToStraight;
  }
  return writeRows(params, options);
}

foundation::Bytes imageio::writePNG(const gfx::SurfacePixels& pixels, const PNGWriteOptions& options) {
  checkWritable(options, pixels.data && pixels.width > 0 && pixels.height > 0);
  WriteParams params{};
  params.pixels = pixels.data;
  params.stride = pixels.stride;
  params.width = pixels.width;
  params.height = pixels.height;
  params.gray = options.grayWhenOpaqueGray && argbIsOpaqueGray(pixels);
  params.convert = params.gray ? argbToGray : argbToStraight;
  return writeRows(params, options);
}

PNGInfo imageio::readPNGInfo(std::span<const std::uint8_t> data) {
  if (!imageio::isPNGData(data)) undecodable("not a PNG");
  PNGInfo info;
  std::size_t pos = 8;
  bool sawHeader = false;
  while (pos + 12 <= data.size()) {
    const std::uint32_t length = bigEndian32(&data[pos]);
    const std::uint8_t* type = &data[pos + 4];
    if (length > data.size() - pos - 12) break;
    const std::uint8_t* body = &data[pos + 8];
    if (!sawHeader) {
      if (std::memcmp(type, "IHDR", 4) != 0 || length != 13) undecodable("missing IHDR");
      const std::uint32_t w = bigEndian32(body), h = bigEndian32(body + 4);
      if (w == 0 || h == 0 || w > 0x7fffffffu || h > 0x7fffffffu) undecodable("bad size");
      info.width = static_cast<int>(w);
      info.height = static_cast<int>(h);
      sawHeader = true;
    } else if (std::memcmp(type, "pHYs", 4) == 0 && length == 9) {
      if (body[8] == 1) {
        info.dpiX = bigEndian32(body) * 0.0254;
        info.dpiY = bigEndian32(body + 4) * 0.0254;
      }
    } else if (std::memcmp(type, "tEXt", 4) == 0) {
      const auto* end = body + length;
      const auto* separator = std::find(body, end, std::uint8_t{0});
      if (separator != end)
        info.text.emplace_back(std::string(body, separator), std::string(separator + 1, end));
    } else if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) {
      break;
    }
    pos += 12 + static_cast<std::size_t>(length);
  }
  if (!sawHeader) undecodable("missing IHDR");
  return info;
}

gfx::Image imageio::readPNG(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (!imageio::isPNGData(data)) undecodable("not a PNG");
  const std::optional<foundation::Bytes> used = withoutUnusedChunks(data);
  const std::span<const std::uint8_t> chunks = used ? std::span<const std::uint8_t>(*used) : data;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, chunks.data(), chunks.size())) {
    std::string message = image.message;
    png_image_free(&image);
    undecodable(std::move(message));
  }
  struct Release {
    png_image* image;
    ~Release() { png_image_free(image); }
  } release{&image};
  const std::size_t w = image.width, h = image.height;
  imageio::admitDecodedImage(w, h, maxPixels);
  if (!holdsEnoughImageData(data, w, h)) undecodable("not enough image data for " + std::to_string(w) + " x " +
                                                     std::to_string(h) + " pixels");
  image.format = PNG_FORMAT_RGBA;
  // Without this flag libpng takes 16-bit samples as linear light and brightens them.
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    undecodable(image.message);
  }
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    const unsigned a = pixels[i + 3];
    if (a == 255) continue;
    for (int c = 0; c < 3; ++c) pixels[i + c] = static_cast<std::uint8_t>((pixels[i + c] * a + 127u) / 255u);
  }
  return gfx::Image::make(static_cast<int>(w), static_cast<int>(h), std::move(pixels));
}
