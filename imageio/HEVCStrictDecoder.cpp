#include "imageio/HEVCStrictDecoder.hpp"

#include <libde265/de265.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

heif_error failure(const char* text) { return {heif_error_Decoder_plugin_error, heif_suberror_Unspecified, text}; }
constexpr heif_error kOk{heif_error_Ok, heif_suberror_Unspecified, "Success"};

struct Decoder {
  de265_decoder_context* context = nullptr;
  bool damaged = false;  // a unit the decoder refused, reported by decode
};

const char* pluginName() { return "strict libde265 HEVC decoder"; }

// Above libheif's own HEVC decoder (100).
int supportsFormat(heif_compression_format format) { return format == heif_compression_HEVC ? 200 : 0; }

heif_error newDecoder(void** out) {
  auto* decoder = new (std::nothrow) Decoder;
  if (!decoder) return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory"};
  decoder->context = de265_new_decoder();
  if (!decoder->context) {
    delete decoder;
    return failure("cannot start the HEVC decoder");
  }
  *out = decoder;
  return kOk;
}

void freeDecoder(void* raw) {
  auto* decoder = static_cast<Decoder*>(raw);
  de265_free_decoder(decoder->context);
  delete decoder;
}

// libheif hands over the parameter sets and then the item's data, each NAL unit after a
// four-byte big-endian length.
heif_error pushData(void* raw, const void* data, size_t size) {
  auto* decoder = static_cast<Decoder*>(raw);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t at = 0; at < size;) {
    if (size - at < 4) return failure("damaged coded data: a NAL unit length is cut off");
    const std::size_t length = std::size_t{bytes[at]} << 24 | std::size_t{bytes[at + 1]} << 16 |
                               std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
    at += 4;
    if (length > size - at || length > INT_MAX) return failure("damaged coded data: a NAL unit runs past the item's data");
    if (de265_push_NAL(decoder->context, bytes + at, static_cast<int>(length), 0, nullptr) != DE265_OK)
      decoder->damaged = true;
    at += length;
  }
  return kOk;
}

// The decoded picture (its visible part) as a libheif image of the same planes.
heif_error pictureImage(const de265_image* picture, heif_image** out) {
  const de265_chroma chroma = de265_get_chroma_format(picture);
  const bool grey = chroma == de265_chroma_mono;
  heif_image* image = nullptr;
  heif_error error = heif_image_create(de265_get_image_width(picture, 0), de265_get_image_height(picture, 0),
                                       grey ? heif_colorspace_monochrome : heif_colorspace_YCbCr,
                                       static_cast<heif_chroma>(chroma), &image);
  if (error.code != heif_error_Ok) return error;
  static constexpr heif_channel channels[3] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
  for (int c = 0; c < (grey ? 1 : 3); ++c) {
    const int width = de265_get_image_width(picture, c), height = de265_get_image_height(picture, c);
    const int bits = de265_get_bits_per_pixel(picture, c);
    int inStride = 0, outStride = 0;
    const std::uint8_t* in = de265_get_image_plane(picture, c, &inStride);
    error = heif_image_add_plane(image, channels[c], width, height, bits);
    std::uint8_t* plane = error.code == heif_error_Ok ? heif_image_get_plane(image, channels[c], &outStride) : nullptr;
    if (!in || !plane) {
      heif_image_release(image);
      return error.code != heif_error_Ok ? error : failure("HEVC picture without its planes");
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>((bits + 7) / 8);
    for (int y = 0; y < height; ++y)
      std::memcpy(plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(outStride),
                  in + static_cast<std::size_t>(y) * static_cast<std::size_t>(inStride), rowBytes);
  }
  *out = image;
  return kOk;
}

// Decodes what was pushed; the last picture is the item's, as with libheif's own decoder.
// Any error or warning of the decoder fails the item.
heif_error decodeImage(void* raw, heif_image** out) {
  auto* decoder = static_cast<Decoder*>(raw);
  *out = nullptr;
  if (decoder->damaged) return failure("damaged coded data");
  de265_flush_data(decoder->context);
  heif_image* image = nullptr;
  heif_error result = kOk;
  for (int more = 1; more && result.code == heif_error_Ok;) {
    const de265_error error = de265_decode(decoder->context, &more);
    if (error == DE265_ERROR_WAITING_FOR_INPUT_DATA) break;
    if (error != DE265_OK) result = failure(de265_get_error_text(error));
    while (const de265_image* picture = de265_peek_next_picture(decoder->context)) {
      if (image) heif_image_release(image);
      image = nullptr;
      if (result.code == heif_error_Ok) result = pictureImage(picture, &image);
      de265_release_next_picture(decoder->context);
    }
  }
  if (const de265_error warning = de265_get_warning(decoder->context); result.code == heif_error_Ok && warning != DE265_OK)
    result = failure(de265_get_error_text(warning));
  if (result.code == heif_error_Ok && !image) result = failure("damaged coded data: no picture");
  if (result.code != heif_error_Ok) {
    if (image) heif_image_release(image);
    return result;
  }
  *out = image;
  return kOk;
}

// Damage is always an error here.
void setStrictDecoding(void*, int) {}

constexpr heif_decoder_plugin kStrictHEVCDecoder{
    .plugin_api_version = 3,
    .get_plugin_name = pluginName,
    .init_plugin = nullptr,
    .deinit_plugin = nullptr,
    .does_support_format = supportsFormat,
    .new_decoder = newDecoder,
    .free_decoder = freeDecoder,
    .push_data = pushData,
    .decode_image = decodeImage,
    .set_strict_decoding = setStrictDecoding,
    .id_name = "strict-libde265",
};

}  // namespace

bool imageio::useStrictHEVCDecoder(heif_context* context) {
  return heif_register_decoder(context, &kStrictHEVCDecoder).code == heif_error_Ok;
}
