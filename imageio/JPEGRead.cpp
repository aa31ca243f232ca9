#include "imageio/JPEGRead.hpp"

#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/Exif.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void jpegReadErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, manager->message);
  std::longjmp(manager->jump, 1);
}

// True for the warnings that mean missing or damaged picture data (a truncated file,
// broken entropy-coded data), which libjpeg would hide by filling the gap with grey.
bool losesPictureData(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
      return true;
    default:
      return false;
  }
}

// Warnings (level -1) of lost picture data end the decoding; the others (extraneous
// bytes before a marker, an unknown JFIF revision, ...) leave every pixel as written and
// are let through, as other readers do. Trace messages are dropped.
void jpegReadEmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && losesPictureData(cinfo->err->msg_code)) jpegReadErrorExit(cinfo);
}

struct Decoder {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  jpeg_progress_mgr progress;
  bool created = false;
};

// Each scan of a progressive file walks the whole image again, so a small file of
// thousands of scans costs minutes: refuse more scans than any encoder's script makes
// (one per coefficient band and bit of every component stays below the limit), and more
// scans than the image's size affords.
void jpegReadCountScans(j_common_ptr common) {
  auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
  const auto scans = static_cast<std::uint64_t>(cinfo->input_scan_number);
  const std::uint64_t pixels = static_cast<std::uint64_t>(cinfo->image_width) * cinfo->image_height;
  if (scans <= kMaxJPEGScans && scans * pixels <= kMaxJPEGScanPixels) return;
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::snprintf(manager->message, sizeof manager->message, "more than %d scans, or more than %llu pixels over all scans",
                static_cast<int>(std::min<std::uint64_t>(scans, kMaxJPEGScans)),
                static_cast<unsigned long long>(kMaxJPEGScanPixels));
  std::longjmp(manager->jump, 1);
}

// The header, colour model and output settings. Only plain data lives in the frames
// that libjpeg may jump back into.
bool readHeader(Decoder* d, const std::uint8_t* data, std::size_t size) {
  d->cinfo.err = jpeg_std_error(&d->errors.base);
  d->errors.base.error_exit = jpegReadErrorExit;
  d->errors.base.emit_message = jpegReadEmitMessage;
  d->errors.message[0] = 0;
  if (setjmp(d->errors.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
  // Coefficient buffers of progressive files count against this limit.
  d->cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
  d->progress.progress_monitor = jpegReadCountScans;
  d->cinfo.progress = &d->progress;
  if (jpeg_read_header(&d->cinfo, TRUE) != JPEG_HEADER_OK) return false;
  switch (d->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE: d->cinfo.out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: d->cinfo.out_color_space = JCS_CMYK; break;
    default: d->cinfo.out_color_space = JCS_EXT_RGBA; break;
  }
  return true;
}

bool decodeRows(Decoder* d, std::uint8_t* pixels, std::size_t stride, JDIMENSION height) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_start_decompress(&d->cinfo);
  if (d->cinfo.output_height != height) return false;
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW row = pixels + static_cast<std::size_t>(d->cinfo.output_scanline) * stride;
    if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1) return false;
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

[[noreturn]] void undecodable(const Decoder& d, const char* what) {
  std::string text = what;
  if (d.errors.message[0]) text += std::string(": ") + d.errors.message;
  foundation::raise(ImageReadWriteError::unableToDecodeImage, std::move(text));
}

// The body of the first application segment of the code whose body starts with the
// signature, after the signature. Markers after the start of image are FF, a code and a
// big-endian length that counts itself, and any marker may follow fill bytes (more FF);
// the search passes other segments (comments, tables, the frame header), as a viewer's
// does, and ends at the first scan or a marker without a length.
std::optional<std::span<const std::uint8_t>> applicationSegment(std::span<const std::uint8_t> data, std::uint8_t code,
                                                                std::string_view signature) {
  if (!imageio::isJPEGData(data)) return std::nullopt;
  std::size_t at = 2;
  while (at + 4 <= data.size() && data[at] == 0xFF) {
    if (data[at + 1] == 0xFF) {
      ++at;
      continue;
    }
    const std::uint8_t marker = data[at + 1];
    const std::size_t length = static_cast<std::size_t>(data[at + 2]) << 8 | data[at + 3];
    const bool segment = marker >= 0xC0 && marker != 0xDA && (marker < 0xD0 || marker > 0xD9);
    if (!segment || length < 2 || length > data.size() - at - 2) return std::nullopt;
    const std::span<const std::uint8_t> body = data.subspan(at + 4, length - 2);
    if (marker == code && body.size() >= signature.size() &&
        std::memcmp(body.data(), signature.data(), signature.size()) == 0)
      return body.subspan(signature.size());
    at += 2 + length;
  }
  return std::nullopt;
}

// The Exif of the APP1 segment, or the defaults.
ExifInfo jpegExif(std::span<const std::uint8_t> data) {
  using namespace std::string_view_literals;
  const auto block = applicationSegment(data, 0xE1, "Exif\0\0"sv);
  return block ? imageio::readExif(*block) : ExifInfo{};
}

}  // namespace

bool imageio::isJPEGData(std::span<const std::uint8_t> data) {
  return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

gfx::Image imageio::readJPEG(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (!imageio::isJPEGData(data)) foundation::raise(ImageReadWriteError::unableToDecodeImage, "not a JPEG");
  Decoder d;
  struct Release {
    Decoder* d;
    ~Release() {
      if (d->created) jpeg_destroy_decompress(&d->cinfo);
    }
  } release{&d};
  if (!readHeader(&d, data.data(), data.size())) undecodable(d, "damaged JPEG header");
  imageio::admitDecodedImage(d.cinfo.image_width, d.cinfo.image_height, maxPixels);
  const int width = static_cast<int>(d.cinfo.image_width), height = static_cast<int>(d.cinfo.image_height);
  // The output size equals the image size: no scaling is asked for.
  const gfx::PixelFormat format = d.cinfo.out_color_space == JCS_GRAYSCALE ? gfx::PixelFormat::gray
                                  : d.cinfo.out_color_space == JCS_CMYK    ? gfx::PixelFormat::cmyk
                                                                           : gfx::PixelFormat::rgba;
  const std::size_t stride = static_cast<std::size_t>(width) * gfx::bytesPerPixel(format);
  std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height));
  if (!decodeRows(&d, pixels.data(), stride, d.cinfo.image_height)) undecodable(d, "damaged JPEG data");
  // Adobe writes CMYK inverted (0 = full ink); the cmyk format counts 255 as full ink.
  if (format == gfx::PixelFormat::cmyk && d.cinfo.saw_Adobe_marker)
    for (std::uint8_t& v : pixels) v = static_cast<std::uint8_t>(255u - v);
  return imageio::uprightImage(gfx::Image::make(width, height, std::move(pixels), format), jpegExif(data).orientation);
}

std::optional<gfx::Size> imageio::readJPEGResolution(std::span<const std::uint8_t> data) {
  using namespace std::string_view_literals;
  const ExifInfo exif = jpegExif(data);
  std::optional<gfx::Size> dpi = exif.dpi;
  // JFIF: "JFIF\0", version (2 bytes), unit (0 none, 1 inch, 2 cm), x and y density; with
  // a unit it wins over the Exif.
  const auto jfif = applicationSegment(data, 0xE0, "JFIF\0"sv);
  if (jfif && jfif->size() >= 7 && ((*jfif)[2] == 1 || (*jfif)[2] == 2)) {
    const std::span<const std::uint8_t> body = *jfif;
    const double perInch = body[2] == 1 ? 1 : 2.54;
    dpi = gfx::Size{(body[3] << 8 | body[4]) * perInch, (body[5] << 8 | body[6]) * perInch};
  }
  // Across and down the picture as it is shown.
  if (dpi && imageio::orientationTurnsSideways(exif.orientation)) return gfx::Size{dpi->height, dpi->width};
  return dpi;
}
