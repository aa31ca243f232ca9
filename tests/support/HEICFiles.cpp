#include "support/HEICFiles.hpp"

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <algorithm>
#include <cstddef>

namespace testsupport {

foundation::Bytes heicThroughLibheif(int width, int height, const std::vector<std::uint8_t>& rgba, int quality,
                                     bool premultiplied, const foundation::Bytes& exif) {
  foundation::Bytes bytes;
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  heif_image_handle* handle = nullptr;
  const auto ok = [](heif_error e) { return e.code == heif_error_Ok; };
  bool done = ok(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder)) &&
              ok(heif_encoder_set_lossy_quality(encoder, quality)) &&
              ok(heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &image)) &&
              ok(heif_image_add_plane(image, heif_channel_interleaved, width, height, 8));
  if (done) {
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const auto row = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y) std::copy_n(rgba.data() + y * row, row, plane + static_cast<std::ptrdiff_t>(y) * stride);
    heif_image_set_premultiplied_alpha(image, premultiplied ? 1 : 0);
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
                         const auto* from = static_cast<const std::uint8_t*>(data);
                         static_cast<foundation::Bytes*>(out)->insert(static_cast<foundation::Bytes*>(out)->end(), from,
                                                                      from + size);
                         return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                       }};
    done = ok(heif_context_encode_image(context, image, encoder, nullptr, &handle)) &&
           (exif.empty() || ok(heif_context_add_exif_metadata(context, handle, exif.data(), static_cast<int>(exif.size())))) &&
           ok(heif_context_write(context, &writer, &bytes));
  }
  if (handle) heif_image_handle_release(handle);
  if (image) heif_image_release(image);
  if (encoder) heif_encoder_release(encoder);
  heif_context_free(context);
  EXPECT_TRUE(done) << "libheif cannot encode";
  return done ? bytes : foundation::Bytes{};
}

}  // namespace testsupport
