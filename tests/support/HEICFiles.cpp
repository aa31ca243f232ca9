#include "support/HEICFiles.hpp"

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <algorithm>
#include <cstddef>

namespace testsupport {

foundation::Bytes heicThroughLibheif(int width, int height, const std::vector<std::uint8_t>& rgba, int quality,
                                     bool premultiplied, const foundation::Bytes& exif) {
  const bool opaque = rgba.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  foundation::Bytes bytes;
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  heif_image_handle* handle = nullptr;
  const auto ok = [](heif_error e) { return e.code == heif_error_Ok; };
  bool done = ok(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder)) &&
              ok(heif_encoder_set_lossy_quality(encoder, quality)) &&
              ok(heif_image_create(width, height, heif_colorspace_RGB,
                                   opaque ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RGBA, &image)) &&
              ok(heif_image_add_plane(image, heif_channel_interleaved, width, height, 8));
  if (done) {
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const auto row = static_cast<std::size_t>(width) * (opaque ? 3 : 4);
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

namespace {

using foundation::Bytes;

// Out of line: g++ 12 takes the inlined appends for writes past the end (a false warning).
[[gnu::noinline]] void put(Bytes& to, std::uint64_t value, int bytes) {
  while (bytes-- > 0) to.push_back(static_cast<std::uint8_t>(value >> (8 * bytes)));
}
[[gnu::noinline]] void put(Bytes& to, std::string_view text) { to.insert(to.end(), text.begin(), text.end()); }
Bytes box(std::string_view type, const Bytes& payload, int version = -1, std::uint32_t flags = 0) {
  Bytes b;
  put(b, payload.size() + 8 + (version >= 0 ? 4 : 0), 4);
  put(b, type);
  if (version >= 0) put(b, (std::uint32_t{static_cast<std::uint8_t>(version)} << 24) | flags, 4);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}
[[gnu::noinline]] Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
// The whole box (its header included) of the first box of the type in the bytes.
Bytes boxOf(const Bytes& in, std::string_view type) {
  const auto at = std::search(in.begin(), in.end(), type.begin(), type.end()) - 4;
  const std::size_t size = std::size_t{at[0]} << 24 | at[1] << 16 | at[2] << 8 | at[3];
  return Bytes(at, at + static_cast<std::ptrdiff_t>(size));
}

}  // namespace

Bytes derivedHEIC(const Bytes& picture, int width, int height, const DerivedHEIC& shape) {
  const int tiles = shape.rows * shape.columns, grid = tiles > 1 ? 1 : 0;
  const int top = tiles + grid + shape.levels;  // the primary item; hidden items follow it
  const int outW = width * shape.columns, outH = height * shape.rows;
  const Bytes coded = boxOf(picture, "mdat");
  const auto meta = [&](std::uint64_t data) {  // data: where the coded picture starts in the file
    Bytes infos, locations, references, associations, gridData;
    put(gridData, 0, 2), put(gridData, shape.rows - 1, 1), put(gridData, shape.columns - 1, 1);
    put(gridData, outW, 2), put(gridData, outH, 2);
    const auto item = [&](int id, std::string_view type, std::uint32_t flags, int method, std::uint64_t offset,
                          std::uint64_t length) {
      Bytes e;
      put(e, id, 2), put(e, 0, 2), put(e, type), put(e, std::string_view("\0text/plain\0", type == "mime" ? 12 : 1));
      infos = infos + box("infe", e, 2, flags);
      put(locations, id, 2), put(locations, method, 2), put(locations, length ? 1 : 0, 4);  // no extents for an identity
      if (length) put(locations, offset, 4), put(locations, length, 4);
      put(associations, id, 2), put(associations, type == "mime" ? 0 : type == "hvc1" ? 2 : 1, 1);
      if (type == "hvc1") put(associations, 0x8102, 2);  // hvcC (essential), the tile's size
      else if (type != "mime") put(associations, grid ? 3 : 2, 1);
    };
    for (int id = 1; id <= tiles; ++id) item(id, "hvc1", 0, 0, data, coded.size() - 8);
    if (grid) item(tiles + 1, "grid", 0, 1, 0, gridData.size());
    const bool grids = std::string_view(shape.derivation) == "grid";  // each a grid of one: data in "idat"
    for (int id = tiles + grid + 1; id <= top; ++id) item(id, shape.derivation, 0, 1, 0, grids ? gridData.size() : 0);
    for (int id = top + 1; id <= top + shape.hidden; ++id) item(id, "mime", 1, 0, data, 4);
    for (int from = tiles + 1; from <= top; ++from) {
      Bytes r;
      put(r, from, 2), put(r, from == tiles + 1 && grid ? tiles : 1, 2);
      for (int to = from == tiles + 1 && grid ? 1 : from - 1; to <= (from == tiles + 1 && grid ? tiles : from - 1); ++to)
        put(r, to, 2);
      references = references + box("dimg", r);
    }
    Bytes size1, size2, count, handler, primary;
    put(size1, width, 4), put(size1, height, 4), put(size2, outW, 4), put(size2, outH, 4);
    put(handler, 0, 4), put(handler, "pict"), put(handler, 0, 13), put(primary, top, 2);
    const int items = top + shape.hidden;
    Bytes iinf, iloc, ipma;
    put(iinf, items, 2), put(iloc, 0x4400, 2), put(iloc, items, 2), put(ipma, items, 4);
    return box("meta", box("hdlr", handler, 0) + box("pitm", primary, 0) + box("iinf", iinf + infos, 0) +
                           box("iloc", iloc + locations, 1) + box("iref", references, 0) +
                           box("iprp", box("ipco", boxOf(picture, "hvcC") + box("ispe", size1, 0) + box("ispe", size2, 0)) +
                                           box("ipma", ipma + associations, 0)) +
                           box("idat", gridData), 0);
  };
  Bytes brands;
  put(brands, "heic"), put(brands, 0, 4), put(brands, "mif1heic");
  const Bytes ftyp = box("ftyp", brands);
  return ftyp + meta(ftyp.size() + meta(0).size() + 8) + coded;
}

}  // namespace testsupport
