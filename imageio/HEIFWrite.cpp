#include "imageio/HEIFWrite.hpp"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Error.hpp"

using namespace imagewrite;

namespace {

constexpr std::string_view kHEICType = "public.heic";

heif_error heifWrite(heif_context*, const void* data, size_t size, void* userdata) {
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
foundation::Bytes resolutionExif(double dpiX, double dpiY) {
  foundation::Bytes e;
  auto u16 = [&](unsigned v) { e.push_back(std::uint8_t(v >> 8)); e.push_back(std::uint8_t(v)); };
  auto u32 = [&](std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) e.push_back(std::uint8_t(v >> s));
  };
  // At least 1/1000 dpi: a resolution too small for the rational is recorded as the
  // smallest one it holds, never as 0 (as PNG and JPEG clamp to their smallest).
  auto numerator = [](double dpi) {
    return static_cast<std::uint32_t>(std::max(1L, std::lround(std::min(dpi, 4e6) * 1000)));
  };
  e.insert(e.end(), {'M', 'M', 0, 42});
  u32(8);   // first directory
  u16(3);   // entries
  const std::uint32_t dataOffset = 8 + 2 + 3 * 12 + 4;
  u16(0x011A); u16(5); u32(1); u32(dataOffset);      // XResolution
  u16(0x011B); u16(5); u32(1); u32(dataOffset + 8);  // YResolution
  u16(0x0128); u16(3); u32(1); u16(2); u16(0);       // ResolutionUnit = inch
  u32(0);   // no next directory
  u32(numerator(dpiX)); u32(1000);
  u32(numerator(dpiY)); u32(1000);
  return e;
}

}  // namespace

foundation::Bytes imageio::writeHEIF(const gfx::Image& image, const ImageWriteProperties& properties) {
  const Pixels px = pixelsOf(image);
  if (px.width <= 0 || px.height <= 0) cannotCreate(kHEICType);
  foundation::Bytes bytes;
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* picture = nullptr;
  heif_image_handle* handle = nullptr;
  bool ok = context != nullptr;
  if (ok) ok = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok;
  if (ok) {
    if (const auto quality = clampedQuality(properties.quality))
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
    const foundation::Bytes exif = resolutionExif(properties.dpiWidth, properties.dpiHeight);
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
  if (!ok || bytes.empty()) cannotCreate(kHEICType);
  return bytes;
}
