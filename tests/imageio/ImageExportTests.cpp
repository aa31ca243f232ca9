// encodeImageData in every format, each decoded back with its own library.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <libheif/heif.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "imageio/ImageExport.hpp"
#include "imageio/ImageRepresentation.hpp"
#include "imageio/PlatformImageCodable.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "support/HEICFiles.hpp"
#include "support/JPEGFiles.hpp"
#include "support/Raster.hpp"

namespace {

using Bytes = foundation::Bytes;

// The bytes with a PDF's creation date blanked: it is the second the file was written.
Bytes withoutCreationDate(Bytes bytes) {
  const std::string_view key = "/CreationDate (";
  const auto at = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
  if (at != bytes.end()) std::fill(at + key.size(), std::find(at, bytes.end(), ')'), '0');
  return bytes;
}

// A straight-alpha pixel for building test images.
struct Straight {
  int r, g, b, a;
};

gfx::Image::RGBA premultiplied(Straight s) {
  auto p = [&](int c) { return static_cast<std::uint8_t>((c * s.a + 127) / 255); };
  return {p(s.r), p(s.g), p(s.b), static_cast<std::uint8_t>(s.a)};
}

// width x height: top half opaque red, bottom-left opaque blue, bottom-right a fully
// transparent quarter, and a half-transparent green stripe in the middle columns of the
// top half. A few distinct colours only, so GIF keeps them exactly.
gfx::Image testImage(int width = 40, int height = 30) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Straight s{};
      if (y < height / 2) s = (x >= width / 2 - 2 && x < width / 2 + 2) ? Straight{0, 200, 0, 128} : Straight{255, 0, 0, 255};
      else s = x < width / 2 ? Straight{0, 0, 255, 255} : Straight{0, 0, 0, 0};
      const auto p = premultiplied(s);
      std::uint8_t* d = px.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      d[0] = p.r; d[1] = p.g; d[2] = p.b; d[3] = p.a;
    }
  return gfx::Image::make(width, height, std::move(px));
}

// A smooth gradient of many colours, fully opaque.
gfx::Image gradientImage(int width = 64, int height = 64) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* d = px.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      d[0] = static_cast<std::uint8_t>(x * 255 / (width - 1));
      d[1] = static_cast<std::uint8_t>(y * 255 / (height - 1));
      d[2] = static_cast<std::uint8_t>(128);
      d[3] = 255;
    }
  return gfx::Image::make(width, height, std::move(px));
}

// Straight colour of an image pixel.
Straight straightAt(const gfx::Image& image, int x, int y) {
  const auto p = image.pixelAt(x, y);
  if (p.a == 0) return {0, 0, 0, 0};
  auto u = [&](int c) { return std::min(255, (c * 255 + p.a / 2) / p.a); };
  return {u(p.r), u(p.g), u(p.b), p.a};
}

// The source composited over white, as straight RGB.
Straight overWhite(const gfx::Image& image, int x, int y) {
  const auto p = image.pixelAt(x, y);
  return {p.r + 255 - p.a, p.g + 255 - p.a, p.b + 255 - p.a, 255};
}

template <class E>
void expectError(const std::function<void()>& fn, E code, const std::string& text = {}) {
  try {
    fn();
    ADD_FAILURE() << "no error thrown";
  } catch (const foundation::Error& e) {
    EXPECT_TRUE(e.is(code)) << e.what();
    if (!text.empty()) {
      EXPECT_EQ(e.text(), text);
    }
  }
}

// --- decoders --------------------------------------------------------------------------

struct Decoded {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // straight unless said otherwise
  double dpiX = 0, dpiY = 0;
  Straight at(int x, int y) const {
    const std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

Decoded decodePNG(const Bytes& bytes) {
  Decoded d;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return d;
  image.format = PNG_FORMAT_RGBA;
  d.width = static_cast<int>(image.width);
  d.height = static_cast<int>(image.height);
  d.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, d.rgba.data(), 0, nullptr)) return Decoded{};
  // Resolution through the full reader.
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  struct Reader {
    const Bytes* bytes;
    std::size_t at;
  } reader{&bytes, 0};
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(p));
    if (r->at + n > r->bytes->size()) png_error(p, "short");
    std::memcpy(out, r->bytes->data() + r->at, n);
    r->at += n;
  });
  if (!setjmp(png_jmpbuf(png))) {
    png_read_info(png, info);
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
      d.dpiX = x * 0.0254;
      d.dpiY = y * 0.0254;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return d;
}

Decoded decodeJPEG(const Bytes& bytes) {
  Decoded d;
  jpeg_decompress_struct cinfo;
  testsupport::JpegErrors err;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = testsupport::jpegErrorExit;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return Decoded{};
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&cinfo);
  d.width = static_cast<int>(cinfo.output_width);
  d.height = static_cast<int>(cinfo.output_height);
  d.rgba.resize(static_cast<std::size_t>(d.width) * d.height * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.rgba.data() + static_cast<std::size_t>(cinfo.output_scanline) * d.width * 4;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  if (cinfo.density_unit == 1) {
    d.dpiX = cinfo.X_density;
    d.dpiY = cinfo.Y_density;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return d;
}

// TIFF: rgba holds premultiplied pixels (libtiff's RGBA reader associates alpha).
struct TiffReadMemory {
  const Bytes* bytes;
  toff_t at;
};

Decoded decodeTIFF(const Bytes& bytes, std::uint16_t* compression = nullptr) {
  Decoded d;
  TiffReadMemory m{&bytes, 0};
  TIFF* tiff = TIFFClientOpen(
      "memory", "r", &m,
      [](thandle_t h, void* buf, tmsize_t n) -> tmsize_t {
        auto* mm = static_cast<TiffReadMemory*>(h);
        const auto left = static_cast<tmsize_t>(mm->bytes->size() - std::min<toff_t>(mm->at, mm->bytes->size()));
        n = std::min(n, left);
        std::memcpy(buf, mm->bytes->data() + mm->at, static_cast<std::size_t>(n));
        mm->at += static_cast<toff_t>(n);
        return n;
      },
      [](thandle_t, void*, tmsize_t) -> tmsize_t { return 0; },
      [](thandle_t h, toff_t off, int whence) -> toff_t {
        auto* mm = static_cast<TiffReadMemory*>(h);
        toff_t base = whence == SEEK_CUR ? mm->at : whence == SEEK_END ? mm->bytes->size() : 0;
        mm->at = base + off;
        return mm->at;
      },
      [](thandle_t) { return 0; },
      [](thandle_t h) -> toff_t { return static_cast<TiffReadMemory*>(h)->bytes->size(); },
      [](thandle_t, void**, toff_t*) { return 0; }, [](thandle_t, void*, toff_t) {});
  if (!tiff) return d;
  std::uint32_t w = 0, h = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
  float xr = 0, yr = 0;
  std::uint16_t unit = 0;
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xr) && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yr) &&
      TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit) && unit == RESUNIT_INCH) {
    d.dpiX = xr;
    d.dpiY = yr;
  }
  if (compression) TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, compression);
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(w) * h);
  if (TIFFReadRGBAImageOriented(tiff, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
    d.width = static_cast<int>(w);
    d.height = static_cast<int>(h);
    d.rgba.resize(raster.size() * 4);
    for (std::size_t i = 0; i < raster.size(); ++i) {
      d.rgba[4 * i] = static_cast<std::uint8_t>(TIFFGetR(raster[i]));
      d.rgba[4 * i + 1] = static_cast<std::uint8_t>(TIFFGetG(raster[i]));
      d.rgba[4 * i + 2] = static_cast<std::uint8_t>(TIFFGetB(raster[i]));
      d.rgba[4 * i + 3] = static_cast<std::uint8_t>(TIFFGetA(raster[i]));
    }
  }
  TIFFClose(tiff);
  return d;
}

Decoded decodeGIF(const Bytes& bytes) {
  Decoded d;
  struct Reader {
    const Bytes* bytes;
    std::size_t at;
  } reader{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, [](GifFileType* g, GifByteType* out, int n) {
    auto* r = static_cast<Reader*>(g->UserData);
    n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), r->bytes->size() - r->at));
    std::memcpy(out, r->bytes->data() + r->at, static_cast<std::size_t>(n));
    r->at += static_cast<std::size_t>(n);
    return n;
  }, &error);
  if (!gif) return d;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, 0, &gcb);
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    d.width = gif->SWidth;
    d.height = gif->SHeight;
    d.rgba.resize(static_cast<std::size_t>(d.width) * d.height * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(d.width) * d.height; ++i) {
      const int index = image.RasterBits[i];
      if (index == gcb.TransparentColor) continue;
      const GifColorType c = map->Colors[index];
      d.rgba[4 * i] = c.Red;
      d.rgba[4 * i + 1] = c.Green;
      d.rgba[4 * i + 2] = c.Blue;
      d.rgba[4 * i + 3] = 255;
    }
  }
  DGifCloseFile(gif, &error);
  return d;
}

Decoded decodeHEIC(const Bytes& bytes) {
  Decoded d;
  heif_context* ctx = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_image* image = nullptr;
  if (heif_context_read_from_memory_without_copy(ctx, bytes.data(), bytes.size(), nullptr).code == heif_error_Ok &&
      heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok &&
      heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code ==
          heif_error_Ok) {
    d.width = heif_image_get_width(image, heif_channel_interleaved);
    d.height = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    d.rgba.resize(static_cast<std::size_t>(d.width) * d.height * 4);
    for (int y = 0; y < d.height; ++y)
      std::memcpy(d.rgba.data() + static_cast<std::size_t>(y) * d.width * 4, plane + static_cast<std::size_t>(y) * stride,
                  static_cast<std::size_t>(d.width) * 4);
    // Resolution from the Exif block: XResolution (0x011A) as a big-endian rational.
    heif_item_id exifId = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &exifId, 1) == 1) {
      std::vector<std::uint8_t> exif(heif_image_handle_get_metadata_size(handle, exifId));
      if (heif_image_handle_get_metadata(handle, exifId, exif.data()).code == heif_error_Ok) {
        for (std::size_t i = 0; i + 12 <= exif.size(); ++i) {
          if (exif[i] == 0x01 && exif[i + 1] == 0x1A && exif[i + 2] == 0 && exif[i + 3] == 5) {
            auto u32 = [&](std::size_t at) {
              return (std::uint32_t(exif[at]) << 24) | (std::uint32_t(exif[at + 1]) << 16) |
                     (std::uint32_t(exif[at + 2]) << 8) | exif[at + 3];
            };
            // Offsets count from the TIFF header ("MM"), which follows a 4-byte offset.
            std::size_t header = 0;
            while (header + 1 < exif.size() && !(exif[header] == 'M' && exif[header + 1] == 'M')) ++header;
            const std::size_t at = header + u32(i + 8);
            if (at + 8 <= exif.size()) d.dpiX = d.dpiY = double(u32(at)) / u32(at + 4);
            break;
          }
        }
      }
    }
  }
  if (image) heif_image_release(image);
  if (handle) heif_image_handle_release(handle);
  heif_context_free(ctx);
  return d;
}

int maxDifference(Straight a, Straight b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b), std::abs(a.a - b.a)});
}

// --- type table ------------------------------------------------------------------------

struct TypeRow {
  ImageExportType type;
  const char* mime;
  const char* extension;
};

TEST(ImageExportType, MimeTypesAndExtensions) {
  const TypeRow rows[] = {
      {ImageExportType::png(1), "image/png", "png"},
      {ImageExportType::jpg(1), "image/jpeg", "jpg"},
      {ImageExportType::tiff(1), "image/tiff", "tiff"},
      {ImageExportType::pdf({10, 10}), "application/pdf", "pdf"},
      {ImageExportType::heic(1), "image/heic", "heic"},
      {ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(1)), "image/svg+xml", "svg"},
      {ImageExportType::gif(), "image/gif", "gif"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.type.mimeType(), row.mime);
    EXPECT_EQ(row.type.fileExtension(), row.extension);
  }
}

// The image's pixels are shared and immutable: no encoder may write into them.
TEST(ImageExport, EveryFormatLeavesTheSourcePixelsUnchanged) {
  const gfx::Image image = testImage();
  const std::vector<std::uint8_t> before(image.pixels().begin(), image.pixels().end());
  const ImageExportType types[] = {
      ImageExportType::png(1), ImageExportType::jpg(1, 0.8), ImageExportType::tiff(1), ImageExportType::tiff(1, 0.5),
      ImageExportType::heic(1, 0.5), ImageExportType::gif(), ImageExportType::pdf({40, 30}),
      ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::tiff(1))};
  for (const auto& type : types) {
    EXPECT_FALSE(imageio::encodeImageData(image, type).empty()) << type.mimeType();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), image.pixels().begin())) << type.mimeType();
  }
}

// --- PNG -------------------------------------------------------------------------------

TEST(ImageExportPNG, DecodesToTheSamePixelsAndRecordsTheResolution) {
  const gfx::Image image = testImage();
  const Bytes bytes = imageio::encodeImageData(image, ImageExportType::png(300.0 / 72.0));
  const Decoded d = decodePNG(bytes);
  ASSERT_EQ(d.width, 40);
  ASSERT_EQ(d.height, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const Straight want = straightAt(image, x, y);
      const Straight got = d.at(x, y);
      EXPECT_EQ(got.a, want.a);
      if (want.a > 0) {
        ASSERT_LE(maxDifference(got, want), 1) << x << "," << y;
      }
    }
  EXPECT_NEAR(d.dpiX, 300, 0.02);
  EXPECT_NEAR(d.dpiY, 300, 0.02);
}

// An opaque all-grey image is written as a grey PNG with the same pixels; one other
// pixel keeps it RGBA.
TEST(ImageExportPNG, OpaqueGreyImagesAreWrittenGrey) {
  std::vector<std::uint8_t> px(33 * 21 * 4);
  for (std::size_t i = 0; i < 33 * 21; ++i) {
    const auto v = static_cast<std::uint8_t>((i * 37) % 256);
    px[4 * i] = px[4 * i + 1] = px[4 * i + 2] = v;
    px[4 * i + 3] = 255;
  }
  const gfx::Image grey = gfx::Image::make(33, 21, px);
  const Bytes bytes = imageio::encodeImageData(grey, ImageExportType::png(1));
  ASSERT_GT(bytes.size(), 26u);
  EXPECT_EQ(bytes[25], 0) << "IHDR colour type grey";
  const Decoded d = decodePNG(bytes);
  ASSERT_EQ(d.width, 33);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 33; ++x) ASSERT_EQ(maxDifference(d.at(x, y), straightAt(grey, x, y)), 0);
  px[4 * 500 + 2] ^= 1;  // one pixel not grey
  EXPECT_EQ(imageio::encodeImageData(gfx::Image::make(33, 21, px), ImageExportType::png(1))[25], 6) << "RGBA";
  px[4 * 500 + 2] ^= 1;
  px[4 * 7 + 3] = 254;  // one pixel not opaque
  EXPECT_EQ(imageio::encodeImageData(gfx::Image::make(33, 21, px), ImageExportType::png(1))[25], 6) << "RGBA";
}

TEST(ImageExportPNG, ScaleTwoRecords144DPIAndKeepsThePixelSize) {
  const Decoded d = decodePNG(imageio::encodeImageData(testImage(17, 9), ImageExportType::png(2)));
  EXPECT_EQ(d.width, 17);
  EXPECT_EQ(d.height, 9);
  EXPECT_NEAR(d.dpiX, 144, 0.02);
  EXPECT_NEAR(d.dpiY, 144, 0.02);
}

// --- invalid DPI, every bitmap format ---------------------------------------------------

TEST(ImageExport, ZeroNegativeOrNonFiniteScaleIsInvalidDPI) {
  const gfx::Image image = testImage(8, 8);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double scale : {0.0, -1.0, -0.0, nan, inf}) {
    const ImageExportType types[] = {ImageExportType::png(scale), ImageExportType::jpg(scale, 0.5),
                                     ImageExportType::tiff(scale), ImageExportType::heic(scale)};
    for (const auto& type : types)
      expectError([&] { imageio::encodeImageData(image, type); }, ImageReadWriteError::invalidDPI);
  }
}

TEST(ImageExport, EmptyImageFailsWithTheTypeIdentifier) {
  const gfx::Image empty;
  const std::pair<ImageExportType, const char*> rows[] = {
      {ImageExportType::jpg(1), "public.jpeg"},
      {ImageExportType::tiff(1), "public.tiff"},
      {ImageExportType::heic(1), "public.heic"},
      {ImageExportType::gif(), "com.compuserve.gif"},
  };
  for (const auto& [type, id] : rows)
    expectError([&, &type = type] { imageio::encodeImageData(empty, type); }, ImageReadWriteError::cannotCreateImageOfType, id);
  expectError([&] { imageio::encodeImageData(empty, ImageExportType::pdf({10, 10})); },
              ImageReadWriteError::cannotCreatePDFContext);
}

// --- JPEG ------------------------------------------------------------------------------

TEST(ImageExportJPEG, CompositesTransparencyOntoWhiteAndRecordsTheResolution) {
  const gfx::Image image = testImage(64, 48);
  const Decoded d = decodeJPEG(imageio::encodeImageData(image, ImageExportType::jpg(300.0 / 72.0, 1.0)));
  ASSERT_EQ(d.width, 64);
  ASSERT_EQ(d.height, 48);
  EXPECT_EQ(d.dpiX, 300);
  EXPECT_EQ(d.dpiY, 300);
  // Away from colour edges (JPEG's blocks blur them), pixels match the source over white.
  const std::pair<int, int> probes[] = {{4, 4}, {60, 4}, {4, 40}, {56, 40}, {44, 28}, {32, 10}};
  for (auto [x, y] : probes) EXPECT_LE(maxDifference(d.at(x, y), overWhite(image, x, y)), 12) << x << "," << y;
  // The transparent quarter is white, not black.
  EXPECT_GE(d.at(56, 40).r, 245);
}

// The quantisation tables of a JPEG (natural order; luminance, then chrominance) as
// libjpeg reads them from the file.
std::vector<std::array<int, 64>> jpegQuantTables(const Bytes& bytes) {
  std::vector<std::array<int, 64>> tables;
  jpeg_decompress_struct cinfo;
  testsupport::JpegErrors err;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = testsupport::jpegErrorExit;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return {};
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  for (const JQUANT_TBL* table : cinfo.quant_tbl_ptrs) {
    if (!table) continue;
    std::array<int, 64> values{};
    for (int i = 0; i < 64; ++i) values[static_cast<std::size_t>(i)] = table->quantval[i];
    tables.push_back(values);
  }
  jpeg_destroy_decompress(&cinfo);
  return tables;
}

// The JPEG standard's example tables (Annex K), in natural order, scaled to an IJG
// quality of 1...100: 5000 / q percent below 50, 200 - 2 q percent from 50, rounded,
// limited to 1...255.
std::array<int, 64> scaledStandardTable(bool chrominance, int quality) {
  static constexpr int luminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
  static constexpr int chroma[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                     24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
  const int percent = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  std::array<int, 64> table{};
  for (std::size_t i = 0; i < 64; ++i)
    table[i] = std::clamp(((chrominance ? chroma : luminance)[i] * percent + 50) / 100, 1, 255);
  return table;
}

// A quality q is the IJG quality round(q x 100): at 0.29, 0.57 and 0.58 (28.999..., 56.999...
// and 57.999... in binary) rounding and truncating differ. The file's tables are read
// with libjpeg and compared with the standard tables scaled to that quality.
TEST(ImageExportJPEG, QualityIsTheRoundedPercentOfTheStandardTables) {
  const gfx::Image image = gradientImage();
  for (const auto& [quality, percent] : {std::pair{0.29, 29}, {0.57, 57}, {0.58, 58}, {0.05, 5}, {1.0, 100}}) {
    SCOPED_TRACE(quality);
    const auto tables = jpegQuantTables(imageio::encodeImageData(image, ImageExportType::jpg(1, quality)));
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0], scaledStandardTable(false, percent));
    EXPECT_EQ(tables[1], scaledStandardTable(true, percent));
  }
}

TEST(ImageExportJPEG, QualityIsClampedToZeroThroughOne) {
  const gfx::Image image = gradientImage();
  const Bytes q1 = imageio::encodeImageData(image, ImageExportType::jpg(1, 1.0));
  const Bytes q0 = imageio::encodeImageData(image, ImageExportType::jpg(1, 0.0));
  EXPECT_EQ(imageio::encodeImageData(image, ImageExportType::jpg(1, 1.7)), q1);
  EXPECT_EQ(imageio::encodeImageData(image, ImageExportType::jpg(1, -0.5)), q0);
  EXPECT_EQ(imageio::encodeImageData(image, ImageExportType::jpg(1, std::numeric_limits<double>::quiet_NaN())), q0);
  EXPECT_LT(q0.size(), q1.size());
  const Bytes none = imageio::encodeImageData(image, ImageExportType::jpg(1));
  EXPECT_NE(none, q1);
  EXPECT_NE(none, q0);
  EXPECT_EQ(decodeJPEG(none).width, 64);
}

// --- TIFF ------------------------------------------------------------------------------

TEST(ImageExportTIFF, DecodesToTheSamePixelsWithAndWithoutCompression) {
  const gfx::Image image = testImage();
  for (std::optional<double> compression : {std::optional<double>(), std::optional<double>(0.5)}) {
    std::uint16_t scheme = 0;
    const Decoded d = decodeTIFF(imageio::encodeImageData(image, ImageExportType::tiff(150.0 / 72.0, compression)), &scheme);
    ASSERT_EQ(d.width, 40);
    ASSERT_EQ(d.height, 30);
    EXPECT_EQ(scheme, compression ? COMPRESSION_LZW : COMPRESSION_NONE);
    EXPECT_FLOAT_EQ(static_cast<float>(d.dpiX), 150.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(d.dpiY), 150.0f);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const auto want = image.pixelAt(x, y);
        const Straight got = d.at(x, y);
        ASSERT_EQ(got.r, want.r) << x << "," << y << " got " << got.r << "," << got.g << "," << got.b << "," << got.a << " want " << int(want.r) << "," << int(want.g) << "," << int(want.b) << "," << int(want.a);
        ASSERT_EQ(got.g, want.g);
        ASSERT_EQ(got.b, want.b);
        ASSERT_EQ(got.a, want.a);
      }
  }
}

// --- GIF -------------------------------------------------------------------------------

TEST(ImageExportGIF, FewColoursAreKeptExactlyAndTransparencyStays) {
  const gfx::Image image = testImage();
  const Decoded d = decodeGIF(imageio::encodeImageData(image, ImageExportType::gif()));
  ASSERT_EQ(d.width, 40);
  ASSERT_EQ(d.height, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const Straight want = straightAt(image, x, y);
      const Straight got = d.at(x, y);
      if (want.a < 128) {
        ASSERT_EQ(got.a, 0) << x << "," << y;
      } else {
        ASSERT_EQ(got.a, 255);
        ASSERT_LE(maxDifference({got.r, got.g, got.b, 255}, {want.r, want.g, want.b, 255}), 1) << x << "," << y;
      }
    }
}

TEST(ImageExportGIF, ManyColoursAreQuantised) {
  const gfx::Image image = gradientImage(128, 128);
  const Decoded d = decodeGIF(imageio::encodeImageData(image, ImageExportType::gif()));
  ASSERT_EQ(d.width, 128);
  double total = 0;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) total += maxDifference(d.at(x, y), straightAt(image, x, y));
  EXPECT_LT(total / (128 * 128), 16);
}

// --- HEIC ------------------------------------------------------------------------------

TEST(ImageExportHEIC, DecodesCloseToTheSourceAndRecordsTheResolution) {
  const gfx::Image image = testImage(64, 48);
  const Decoded d = decodeHEIC(imageio::encodeImageData(image, ImageExportType::heic(2, 0.95)));
  ASSERT_EQ(d.width, 64);
  ASSERT_EQ(d.height, 48);
  EXPECT_NEAR(d.dpiX, 144, 1e-6);
  const std::pair<int, int> probes[] = {{4, 4}, {60, 4}, {4, 40}};
  for (auto [x, y] : probes) EXPECT_LE(maxDifference(d.at(x, y), straightAt(image, x, y)), 16) << x << "," << y;
  EXPECT_LE(d.at(56, 40).a, 8);  // the transparent quarter stays transparent
}

// The quality is handed to the HEVC encoder as libheif's quality round(q x 100), as for
// JPEG: the file decodes to exactly the pixels that libheif's own encoding at that
// quality decodes to. At 0.29, 0.57 and 0.58 rounding and truncating differ by one step;
// libheif's encoder codes 28 and 29, and 56 and 57, differently (which the test checks,
// so that truncating would fail) but 57 and 58 alike.
TEST(ImageExportHEIC, QualityIsTheRoundedPercentOfLibheifsScale) {
  std::vector<std::uint8_t> px(64 * 64 * 4);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < px.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    px[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>((state >> 24) / 2 + (i / 4 % 64) * 2);
  }
  const gfx::Image noisy = gfx::Image::make(64, 64, px);
  const struct {
    double quality;
    int percent;
    bool stepBelowDiffers;
  } rows[] = {{0.29, 29, true}, {0.57, 57, true}, {0.58, 58, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.quality);
    const Decoded ours = decodeHEIC(imageio::encodeImageData(noisy, ImageExportType::heic(1, row.quality)));
    ASSERT_EQ(ours.width, 64);
    EXPECT_EQ(ours.rgba, decodeHEIC(testsupport::heicThroughLibheif(64, 64, px, row.percent)).rgba);
    if (row.stepBelowDiffers) {
      EXPECT_NE(ours.rgba, decodeHEIC(testsupport::heicThroughLibheif(64, 64, px, row.percent - 1)).rgba);
    }
  }
}

TEST(ImageExportHEIC, LowerQualityGivesFewerBytes) {
  const gfx::Image image = gradientImage(128, 128);
  EXPECT_LT(imageio::encodeImageData(image, ImageExportType::heic(1, 0.1)).size(),
            imageio::encodeImageData(image, ImageExportType::heic(1, 1.0)).size());
}

// --- PDF -------------------------------------------------------------------------------

TEST(ImageExportPDF, OnePageOfTheAskedSizeWithTheImageUpright) {
  const gfx::Image image = testImage(40, 30);
  const Bytes pdf = imageio::encodeImageData(image, ImageExportType::pdf({200, 150}));
  const auto info = testsupport::pdfInfo(pdf);
  EXPECT_EQ(info.pageCount, 1);
  EXPECT_DOUBLE_EQ(info.pageSize.width, 200);
  EXPECT_DOUBLE_EQ(info.pageSize.height, 150);
  const gfx::Image page = testsupport::rasterizePDF(pdf, 400, 300, gfx::Image::RGBA{255, 255, 255, 255});
  // Red top, blue bottom-left, white (transparent) bottom-right.
  const auto top = testsupport::meanColor(page, 20, 20, 120, 120);
  EXPECT_GT(top.r, 240);
  EXPECT_LT(top.g, 20);
  const auto bottomLeft = testsupport::meanColor(page, 20, 180, 180, 280);
  EXPECT_GT(bottomLeft.b, 240);
  EXPECT_LT(bottomLeft.r, 20);
  const auto bottomRight = testsupport::meanColor(page, 220, 180, 380, 280);
  EXPECT_GT(bottomRight.r, 250);
  EXPECT_GT(bottomRight.g, 250);
}

TEST(ImageExportPDF, UnusablePageSizesFail) {
  const gfx::Image image = testImage(8, 8);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (gfx::Size size : {gfx::Size{0, 10}, gfx::Size{10, -1}, gfx::Size{nan, 10}, gfx::Size{1e300, 10}})
    expectError([&] { imageio::encodeImageData(image, ImageExportType::pdf(size)); }, ImageReadWriteError::cannotCreatePDFContext);
}

// --- SVG -------------------------------------------------------------------------------

std::string svgText(const gfx::Image& image, const ImageExportType& type) {
  return foundation::stringOf(imageio::encodeImageData(image, type));
}

TEST(ImageExportSVG, DocumentOfAnImageWithoutSize) {
  const gfx::Image image = testImage(300, 300);
  const std::string svg = svgText(image, ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(1)));
  const std::string root =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\"  "
      "width=\"300\" height=\"300\"  viewBox=\"0 0 300 300\"  >\n";
  ASSERT_EQ(svg.substr(0, root.size()), root);
  const std::string imageStart = "<image width=\"300.0\" height=\"300.0\"  xlink:href=\"data:image/png;base64,";
  EXPECT_EQ(svg.substr(root.size(), imageStart.size()), imageStart);
  EXPECT_NE(svg.find("\" x=\"0\" y=\"0\"   />\n</svg>"), std::string::npos);
  EXPECT_TRUE(svg.ends_with("</svg>"));
  // The base64 text comes in lines of 64 characters.
  const std::size_t from = root.size() + imageStart.size();
  const std::size_t to = svg.find('"', from);
  const std::string base64 = svg.substr(from, to - from);
  std::size_t lineStart = 0;
  while (true) {
    const std::size_t nl = base64.find('\n', lineStart);
    if (nl == std::string::npos) {
      EXPECT_LE(base64.size() - lineStart, 64u);
      break;
    }
    EXPECT_EQ(nl - lineStart, 64u);
    lineStart = nl + 1;
  }
  std::string joined;
  for (char c : base64)
    if (c != '\n') joined += c;
  const auto png = foundation::base64Decode(joined);
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(*png, imageio::encodeImageData(image, ImageExportType::png(1)));
}

TEST(ImageExportSVG, FillAttributesAndSizes) {
  const gfx::Image image = testImage(10, 10);
  const auto embedded = ImageExportType::png(1);
  const std::string fill = svgText(image, ImageExportType::svg(gfx::Size{100.5, 20}, SVGImageFillStyle::aspectFill, embedded));
  EXPECT_NE(fill.find(" width=\"100.5\" height=\"20\" "), std::string::npos);
  EXPECT_NE(fill.find("viewBox=\"0 0 100.5 20\""), std::string::npos);
  EXPECT_NE(fill.find("<image width=\"100.5\" height=\"20.0\" "), std::string::npos);
  EXPECT_NE(fill.find("y=\"0\"  preserveAspectRatio=\"xMidYMid slice\"  />"), std::string::npos);
  const std::string scaled = svgText(image, ImageExportType::svg(gfx::Size{1.0 / 3, 2}, SVGImageFillStyle::scale, embedded));
  EXPECT_NE(scaled.find("width=\"0.333\" height=\"2\""), std::string::npos);
  EXPECT_NE(scaled.find("y=\"0\" preserveAspectRatio=\"none\"  />"), std::string::npos);
}

TEST(ImageExportSVG, EmbeddedFormatsAllowedAndRefused) {
  const gfx::Image image = testImage(10, 10);
  for (const auto& embedded : {ImageExportType::jpg(1, 0.5), ImageExportType::tiff(1), ImageExportType::gif()}) {
    const std::string svg = svgText(image, ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, embedded));
    EXPECT_NE(svg.find("data:" + std::string(embedded.mimeType()) + ";base64,"), std::string::npos);
  }
  const std::pair<ImageExportType, const char*> refused[] = {
      {ImageExportType::heic(1), "image/heic"},
      {ImageExportType::pdf({10, 10}), "application/pdf"},
      {ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(1)), "image/svg+xml"},
  };
  for (const auto& [embedded, mime] : refused)
    expectError([&, &embedded = embedded] {
                  imageio::encodeImageData(image, ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, embedded));
                },
                ImageReadWriteError::unsupportedEmbeddedImageType, mime);
  // Sizes the document cannot carry.
  for (gfx::Size size : {gfx::Size{std::numeric_limits<double>::quiet_NaN(), 10}, gfx::Size{10, -1},
                         gfx::Size{std::numeric_limits<double>::infinity(), 1}})
    expectError([&] { imageio::encodeImageData(image, ImageExportType::svg(size, SVGImageFillStyle::scale, ImageExportType::png(1))); },
                ImageReadWriteError::internalError);
  // The embedded format's own error comes through unchanged.
  expectError([&] { imageio::encodeImageData(image, ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(0))); },
              ImageReadWriteError::invalidDPI);
}

TEST(ImageExportSVG, RendersLikeTheImage) {
  const gfx::Image image = testImage(40, 30);
  const Bytes svg = imageio::encodeImageData(image, ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(1)));
  const gfx::Image drawn = testsupport::rasterizeSVG(svg, 40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const auto want = image.pixelAt(x, y);
      const auto got = drawn.pixelAt(x, y);
      ASSERT_LE(std::abs(int(got.a) - int(want.a)), 2) << x << "," << y;
      ASSERT_LE(std::abs(int(got.r) - int(want.r)), 2) << x << "," << y;
      ASSERT_LE(std::abs(int(got.b) - int(want.b)), 2) << x << "," << y;
    }
}

// --- huge resolutions ------------------------------------------------------------------

// A huge but finite scale records the largest resolution each format holds, and a tiny
// but positive one the smallest (read back with the format's own library), never 0, a
// NaN or a wrapped value.
TEST(ImageExport, ExtremeScalesRecordTheNearestResolutionTheFormatHolds) {
  const gfx::Image image = testImage(8, 8);
  struct Row {
    const char* name;
    ImageExportType type;
    Decoded (*decode)(const Bytes&);
    double dpi;
  };
  const Row rows[] = {
      {"png", ImageExportType::png(1e300), [](const Bytes& b) { return decodePNG(b); }, 2147483647 * 0.0254},
      {"jpg", ImageExportType::jpg(1e300), decodeJPEG, 65535},
      {"tiff", ImageExportType::tiff(1e300), [](const Bytes& b) { return decodeTIFF(b); }, 4294967040.0},
      {"heic", ImageExportType::heic(1e300), decodeHEIC, 4e6},
      // One pixel per metre, one dot per inch, 1 / (2^32 - 1) and 1/1000 dpi (Exif
      // rationals over 1000).
      {"tiny png", ImageExportType::png(1e-300), [](const Bytes& b) { return decodePNG(b); }, 0.0254},
      {"tiny jpg", ImageExportType::jpg(1e-300), decodeJPEG, 1},
      {"tiny tiff", ImageExportType::tiff(1e-300), [](const Bytes& b) { return decodeTIFF(b); }, 1 / 4294967295.0},
      {"tiny heic", ImageExportType::heic(1e-300), decodeHEIC, 0.001},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Decoded d = row.decode(imageio::encodeImageData(image, row.type));
    EXPECT_EQ(d.width, 8);
    // Within a float's precision (TIFF keeps its resolution as one).
    EXPECT_NEAR(d.dpiX, row.dpi, row.dpi * 1e-6);
    EXPECT_NEAR(d.dpiY, row.dpi, row.dpi * 1e-6);
  }
}

// --- PDF page limit ---------------------------------------------------------------------

// cairo keeps coordinates in 24.8 fixed point: pages up to 2^22 points a side are
// written whole; larger ones are refused before cairo writes a wrong page.
TEST(ImageExportPDF, PagesUpToTheLimitAreWritten) {
  const gfx::Image image = testImage(8, 8);
  for (const gfx::Size size : {gfx::Size{14401, 20}, gfx::Size{4194304, 4194304}}) {
    const auto info = testsupport::pdfInfo(imageio::encodeImageData(image, ImageExportType::pdf(size)));
    EXPECT_EQ(info.pageSize.width, size.width);
    EXPECT_EQ(info.pageSize.height, size.height);
  }
  expectError([&] { imageio::encodeImageData(image, ImageExportType::pdf({4194305, 10})); },
              ImageReadWriteError::cannotCreatePDFContext);
}

// --- conveniences -------------------------------------------------------------------------

// What an independent reader sees in an encoded file.
struct Seen {
  int width = 0, height = 0;
  double dpiX = 0, dpiY = 0;
};

Seen seenAs(const Bytes& bytes, std::string_view format) {
  Decoded d;
  if (format == "png") d = decodePNG(bytes);
  else if (format == "jpg") d = decodeJPEG(bytes);
  else if (format == "tiff") d = decodeTIFF(bytes);
  else if (format == "heic") d = decodeHEIC(bytes);
  else if (format == "gif") d = decodeGIF(bytes);
  else if (format == "pdf") {
    const auto info = testsupport::pdfInfo(bytes);
    return {static_cast<int>(info.pageSize.width), static_cast<int>(info.pageSize.height), 0, 0};
  } else if (format == "svg") {
    const gfx::Image drawn = testsupport::rasterizeSVG(bytes, 40, 30);
    return {drawn.width(), drawn.height(), 0, 0};
  }
  return {d.width, d.height, d.dpiX, d.dpiY};
}

// Every convenience of a platform image builds its export type, and the bytes open in the
// format's own reader with the image's pixel size (the page size for PDF) and the asked
// resolution. The bitmap's conveniences give the same bytes.
TEST(ImageExportConveniences, EveryFormatOpensWithTheAskedSizeAndResolution) {
  const gfx::Image bitmap = testImage(40, 30);
  const PlatformImage::ImageRepresentation platform(ImageRepresentation(bitmap).platformImage(ImageResolution::dpi(144)));
  const ImageRepresentation direct(bitmap);
  using Encode = std::function<Bytes(const PlatformImage::ImageRepresentation&)>;
  using EncodeBitmap = std::function<Bytes(const ImageRepresentation&)>;
  struct Row {
    const char* name;
    const char* format;
    Encode encode;
    EncodeBitmap encodeBitmap;
    Seen seen;
  };
#define BOTH(call) [](const PlatformImage::ImageRepresentation& r) { return r.call; }, [](const ImageRepresentation& r) { return r.call; }
  const Row rows[] = {
      {"png by dpi", "png", BOTH(png(ImageResolution::dpi(144))), {40, 30, 144, 144}},
      {"png by scale", "png", BOTH(png(ImageResolution::scale(3), true)), {40, 30, 216, 216}},
      {"jpg by dpi", "jpg", BOTH(jpg(ImageResolution::dpi(300), 0.9)), {40, 30, 300, 300}},
      {"jpg by scale", "jpg", BOTH(jpg(ImageResolution::scale(2), std::nullopt, true)), {40, 30, 144, 144}},
      {"tiff by dpi", "tiff", BOTH(tiff(ImageResolution::dpi(150), 0.5)), {40, 30, 150, 150}},
      {"tiff by scale", "tiff", BOTH(tiff(ImageResolution::scale(2))), {40, 30, 144, 144}},
      {"heic by dpi", "heic", BOTH(heic(ImageResolution::dpi(96), 0.9)), {40, 30, 96, 96}},
      {"heic by scale", "heic", BOTH(heic(ImageResolution::scale(3), std::nullopt, true)), {40, 30, 216, 216}},
      {"gif", "gif", BOTH(gif()), {40, 30, 0, 0}},
      {"pdf", "pdf", BOTH(pdf({200, 150})), {200, 150, 0, 0}},
      {"svg", "svg", BOTH(svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(1))), {40, 30, 0, 0}},
      {"public.png", "png", BOTH(imageData("public.png", 2)), {40, 30, 144, 144}},
      {"public.jpeg", "jpg", BOTH(imageData("public.jpeg", 2, 0.8)), {40, 30, 144, 144}},
      {"public.tiff", "tiff", BOTH(imageData("public.tiff", 3)), {40, 30, 216, 216}},
      {"public.heic", "heic", BOTH(imageData("public.heic", 2, 0.9)), {40, 30, 144, 144}},
      {"com.compuserve.gif", "gif", BOTH(imageData("com.compuserve.gif", 2)), {40, 30, 0, 0}},
      {"public.svg-image", "svg", BOTH(imageData("public.svg-image", 1)), {40, 30, 0, 0}},
  };
#undef BOTH
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes bytes = row.encode(platform);
    const Seen seen = seenAs(bytes, row.format);
    EXPECT_EQ(seen.width, row.seen.width);
    EXPECT_EQ(seen.height, row.seen.height);
    EXPECT_NEAR(seen.dpiX, row.seen.dpiX, 0.02);
    EXPECT_NEAR(seen.dpiY, row.seen.dpiY, 0.02);
    EXPECT_EQ(withoutCreationDate(row.encodeBitmap(direct)), withoutCreationDate(bytes));
  }
}

TEST(ImageExportConveniences, UnknownTypeIdentifierIsCannotCreateImageOfTypeWithIt) {
  const ImageRepresentation image(testImage(8, 8));
  for (const char* identifier : {"com.adobe.pdf", "public.bmp", "", "PUBLIC.PNG"})
    expectError([&] { (void)image.imageData(identifier, 1); }, ImageReadWriteError::cannotCreateImageOfType, identifier);
}

// The luminance quantisation table libjpeg reads from a JPEG (empty when none).
std::vector<int> jpegLuminanceTable(const Bytes& bytes) {
  const auto tables = jpegQuantTables(bytes);
  if (tables.empty()) return {};
  return {tables.front().begin(), tables.front().end()};
}

// Extra properties are merged over the computed ones: a key they repeat wins.
TEST(ImageExportConveniences, ExtraPropertiesWinOverTheComputedOnes) {
  const ImageRepresentation image(testImage(40, 30));
  const foundation::Settings resolution{{"DPIWidth", 200}, {"DPIHeight", 100}};
  for (const char* identifier : {"public.png", "public.jpeg", "public.tiff", "public.heic"}) {
    SCOPED_TRACE(identifier);
    const std::string_view id(identifier);
    const char* format = id == "public.png" ? "png" : id == "public.jpeg" ? "jpg" : id == "public.tiff" ? "tiff" : "heic";
    const Seen seen = seenAs(image.imageData(identifier, 1, std::nullopt, false, resolution), format);
    EXPECT_NEAR(seen.dpiX, 200, 0.02);
    if (id != "public.heic") {
      EXPECT_NEAR(seen.dpiY, 100, 0.02);  // the test's Exif reader reads one value
    }
  }
  // Quality 1 over a computed 0.1: libjpeg's tables at quality 100 are all ones.
  const auto table = jpegLuminanceTable(
      image.imageData("public.jpeg", 1, 0.1, false, {{"kCGImageDestinationLossyCompressionQuality", 1.0}}));
  ASSERT_EQ(table.size(), 64u);
  EXPECT_EQ(std::count(table.begin(), table.end(), 1), 64);
  EXPECT_GT(jpegLuminanceTable(image.imageData("public.jpeg", 1, 0.1)).at(0), 1);
  // A quality for TIFF asks for its lossless compression.
  std::uint16_t scheme = 0;
  decodeTIFF(image.imageData("public.tiff", 1, std::nullopt, false, {{"kCGImageDestinationLossyCompressionQuality", 0.5}}),
             &scheme);
  EXPECT_EQ(scheme, COMPRESSION_LZW);
  // A value of the wrong kind is passed over; a resolution that is no usable number fails.
  EXPECT_NEAR(seenAs(image.imageData("public.png", 2, std::nullopt, false, {{"DPIWidth", "300"}}), "png").dpiX, 144, 0.02);
  for (const double bad : {0.0, -1.0, std::numeric_limits<double>::infinity()})
    expectError([&] { (void)image.imageData("public.png", 1, std::nullopt, false, {{"DPIHeight", bad}}); },
                ImageReadWriteError::invalidDPI);
  // An extra resolution also rescues a scale that alone would be refused.
  EXPECT_NEAR(seenAs(image.imageData("public.png", 0, std::nullopt, false, resolution), "png").dpiX, 200, 0.02);
}

// The archive of a platform image is a PNG whose resolution gives its point size.
TEST(PlatformImageCodable, OtherReadersSeeThePointSizeAsTheResolution) {
  const PlatformImage image{testImage(40, 30), {20, 10}};
  const auto bytes = foundation::base64Decode(*foundation::StringValue(PlatformImageCodable(image).encode()));
  ASSERT_TRUE(bytes.has_value());
  const Decoded d = decodePNG(*bytes);
  EXPECT_EQ(d.width, 40);
  EXPECT_NEAR(d.dpiX, 144, 0.02);
  EXPECT_NEAR(d.dpiY, 216, 0.02);
}

}  // namespace
