#include "imageio/PNG.hpp"

#include <cairo.h>
#include <png.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/graphics/Canvas.hpp"
#include "support/Raster.hpp"

using gfx::Image;

namespace {

template <class F>
foundation::Error errorOf(F&& f) {
  try {
    f();
  } catch (const foundation::Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return foundation::Error("none", -1, "none");
}

// A picture with opaque, half-transparent and transparent parts.
Image testPicture() {
  gfx::Canvas c = gfx::Canvas::bitmap(64, 48);
  c.setFillColor(gfx::Color::sRGB(1, 0, 0, 1));
  c.fillRect(gfx::Rect(0, 24, 64, 24));  // top half red
  c.setFillColor(gfx::Color::sRGB(0, 0.5, 1, 0.5));
  c.fillRect(gfx::Rect(16, 0, 32, 48));
  return c.makeImage();
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n) {
  std::uint32_t crc = 0xffffffffu;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void put32(foundation::Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 24);
  b[at + 1] = static_cast<std::uint8_t>(v >> 16);
  b[at + 2] = static_cast<std::uint8_t>(v >> 8);
  b[at + 3] = static_cast<std::uint8_t>(v);
}

// The PNG with its IHDR size replaced (and the chunk's CRC fixed).
foundation::Bytes withHeaderSize(foundation::Bytes png, std::uint32_t w, std::uint32_t h) {
  put32(png, 16, w);
  put32(png, 20, h);
  put32(png, 29, crc32(&png[12], 17));
  return png;
}

struct ReadClosure {
  const foundation::Bytes* data;
  std::size_t pos = 0;
};

cairo_status_t readChunk(void* closure, unsigned char* out, unsigned int length) {
  auto* c = static_cast<ReadClosure*>(closure);
  if (c->pos + length > c->data->size()) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, c->data->data() + c->pos, length);
  c->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

// A PNG written by libpng itself: the rows (bytes for the depth and colour type), with
// xppm and yppm pixels per metre in a pHYs chunk when they are not 0, and no other chunk
// but IHDR, IDAT and IEND (no gAMA, sRGB or iCCP); empty when libpng fails.
foundation::Bytes writtenByLibpng(int width, int bitDepth, int colourType, const std::vector<const png_byte*>& rows,
                                  png_uint_32 xppm = 0, png_uint_32 yppm = 0) {
  foundation::Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* bytes = static_cast<foundation::Bytes*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(rows.size()), bitDepth,
               colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (xppm != 0 || yppm != 0) png_set_pHYs(png, info, xppm, yppm, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  for (const png_byte* row : rows) png_write_row(png, row);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A 3 x 2 RGB picture written by libpng itself, with xppm and yppm pixels per metre in
// its pHYs chunk.
foundation::Bytes libpngPictureWithResolution(png_uint_32 xppm, png_uint_32 yppm) {
  static const png_byte pixels[2][9] = {{255, 0, 0, 0, 255, 0, 0, 0, 255}, {0, 0, 0, 128, 128, 128, 255, 255, 255}};
  return writtenByLibpng(3, 8, PNG_COLOR_TYPE_RGB, {pixels[0], pixels[1]}, xppm, yppm);
}

}  // namespace

TEST(PNG, RoundTripKeepsPixelsWithinPremultiplyRounding) {
  const Image picture = testPicture();
  const foundation::Bytes png = imageio::writePNG(picture);
  ASSERT_TRUE(imageio::isPNGData(png));
  const Image back = imageio::readPNG(png);
  ASSERT_EQ(back.width(), 64);
  ASSERT_EQ(back.height(), 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const auto a = picture.pixelAt(x, y), b = back.pixelAt(x, y);
      ASSERT_EQ(a.a, b.a);
      ASSERT_NEAR(a.r, b.r, 1);
      ASSERT_NEAR(a.g, b.g, 1);
      ASSERT_NEAR(a.b, b.b, 1);
    }
  EXPECT_EQ(back.pixelAt(2, 2), (Image::RGBA{255, 0, 0, 255}));  // red stays on top
  testsupport::writeImagePNG(back, "vl_png_roundtrip.png");
}

TEST(PNG, AnIndependentReaderSeesStraightAlpha) {
  // cairo reads the file on its own (libpng underneath, its own conversion).
  const foundation::Bytes png = imageio::writePNG(testPicture());
  ReadClosure closure{&png};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readChunk, &closure);
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(s), 64);
  EXPECT_EQ(cairo_image_surface_get_height(s), 48);
  const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                           40 * cairo_image_surface_get_stride(s));
  const std::uint32_t v = row[32];  // half-transparent (0, 0.5, 1) in premultiplied ARGB
  EXPECT_NEAR(static_cast<int>(v >> 24), 128, 1);
  EXPECT_NEAR(static_cast<int>((v >> 8) & 255), 64, 1);
  EXPECT_NEAR(static_cast<int>(v & 255), 128, 1);
  cairo_surface_destroy(s);
}

// A canvas's pixels are written as the image made of them would be, opaque grey as grey
// when asked; cairo's own PNG reader sees the canvas's pixels (exactly where opaque).
TEST(PNG, SurfacePixelsAreWrittenAsTheirImage) {
  auto greyCodeOfWidth = [](int width) {
    gfx::Canvas c = gfx::Canvas::bitmap(width, 30);
    c.setFillColor(gfx::Color::sRGB(1, 1, 1, 1));
    c.fillRect(gfx::Rect(0, 0, width, 30));
    c.setFillColor(gfx::Color::sRGB(0, 0, 0, 1));
    c.fillRect(gfx::Rect(3.3, 4.6, 17.5, 11.2));  // antialiased grey edges
    return c;
  };
  auto greyCode = [&] { return greyCodeOfWidth(40); };
  // 43 pixels wide: the last three of a row are looked at on their own.
  auto greyOddWidth = [&] { return greyCodeOfWidth(43); };
  auto colourInLastPixels = [&] {
    gfx::Canvas c = greyCodeOfWidth(43);
    c.setFillColor(gfx::Color::sRGB(0, 1, 0, 1));
    c.fillRect(gfx::Rect(41, 29, 1, 1));
    return c;
  };
  auto colour = [&] {
    gfx::Canvas c = greyCode();
    c.setFillColor(gfx::Color::sRGB(0.2, 0.6, 0.9, 1));
    c.fillRect(gfx::Rect(20.5, 10, 9, 9));
    return c;
  };
  auto alpha = [] {
    gfx::Canvas c = gfx::Canvas::bitmap(64, 48);
    c.setFillColor(gfx::Color::sRGB(1, 0, 0, 1));
    c.fillRect(gfx::Rect(0, 24, 64, 24));
    c.setFillColor(gfx::Color::sRGB(0, 0.5, 1, 0.5));
    c.fillRect(gfx::Rect(16.5, 0, 32, 48));
    return c;
  };
  struct Case {
    std::string name;
    std::function<gfx::Canvas()> make;
    bool grey, opaque;
  };
  std::vector<Case> cases = {{"opaque grey", greyCode, true, true},
                             {"opaque grey, odd width", greyOddWidth, true, true},
                             {"opaque colour", colour, false, true},
                             {"colour in a row's last pixels", colourInLastPixels, false, true},
                             {"red (green equal to blue) in a row's first eight pixels", [&] {
                                gfx::Canvas c = greyCode();
                                c.setFillColor(gfx::Color::sRGB(1, 0, 0, 1));
                                c.fillRect(gfx::Rect(5, 20, 1, 1));
                                return c;
                              }, false, true},
                             {"alpha", alpha, false, false}};
  // One green pixel at each of the eight places of a vector block (columns 16 to 23).
  for (int i = 0; i < 8; ++i)
    cases.push_back({"colour at place " + std::to_string(i) + " of a block", [&, i] {
                       gfx::Canvas c = greyCodeOfWidth(43);
                       c.setFillColor(gfx::Color::sRGB(0, 1, 0, 1));
                       c.fillRect(gfx::Rect(16 + i, 20, 1, 1));
                       return c;
                     }, false, true});
  for (const auto& c : cases) {
    for (bool asked : {false, true}) {
      SCOPED_TRACE(c.name + (asked ? ", grey asked" : ""));
      const gfx::Canvas canvas = c.make();
      const Image image = canvas.makeImage();
      const PNGWriteOptions options{.dpi = 144, .compressionLevel = 4, .filters = PNGFilter::none,
                                    .strategy = PNGStrategy::filtered, .grayWhenOpaqueGray = asked};
      const foundation::Bytes png = imageio::writePNG(canvas.surfacePixels(), options);
      EXPECT_EQ(png, imageio::writePNG(image, options));
      ASSERT_GT(png.size(), 26u);
      EXPECT_EQ(png[25], c.grey && asked ? 0 : 6);  // IHDR colour type: grey or RGBA
      ReadClosure closure{&png};
      cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readChunk, &closure);
      ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
      ASSERT_EQ(cairo_image_surface_get_width(s), image.width());
      ASSERT_EQ(cairo_image_surface_get_height(s), image.height());
      for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                                 y * cairo_image_surface_get_stride(s));
        for (int x = 0; x < image.width(); ++x) {
          const Image::RGBA p = image.pixelAt(x, y);
          const std::uint32_t v = row[x];
          const int tolerance = c.opaque ? 0 : 1;
          ASSERT_EQ(static_cast<int>(v >> 24), p.a) << x << ", " << y;
          ASSERT_NEAR(static_cast<int>((v >> 16) & 255), p.r, tolerance) << x << ", " << y;
          ASSERT_NEAR(static_cast<int>((v >> 8) & 255), p.g, tolerance) << x << ", " << y;
          ASSERT_NEAR(static_cast<int>(v & 255), p.b, tolerance) << x << ", " << y;
        }
      }
      cairo_surface_destroy(s);
    }
  }
}

TEST(PNG, RecordsTheResolution) {
  for (double dpi : {72.0, 144.0, 300.0, 1.0}) {
    const foundation::Bytes png = imageio::writePNG(testPicture(), {.dpi = dpi});
    const PNGInfo info = imageio::readPNGInfo(png);
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 48);
    ASSERT_TRUE(info.dpiX && info.dpiY);
    EXPECT_NEAR(*info.dpiX, dpi, 0.02);
    EXPECT_NEAR(*info.dpiY, dpi, 0.02);
  }
  // Written by libpng with different horizontal and vertical resolutions: 2835 and 11811
  // pixels per metre are 72.009 and 299.9994 dots per inch.
  for (const auto& [xppm, yppm, dpiX, dpiY] : {std::tuple{2835u, 11811u, 72.009, 299.9994},
                                                std::tuple{11811u, 2835u, 299.9994, 72.009}}) {
    const foundation::Bytes png = libpngPictureWithResolution(xppm, yppm);
    const PNGInfo info = imageio::readPNGInfo(png);
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    ASSERT_TRUE(info.dpiX && info.dpiY);
    EXPECT_NEAR(*info.dpiX, dpiX, 1e-9);
    EXPECT_NEAR(*info.dpiY, dpiY, 1e-9);
    const Image image = imageio::readPNG(png);
    EXPECT_EQ(image.width(), 3);
    EXPECT_EQ(image.height(), 2);
  }
}

TEST(PNG, RefusesABadResolutionOrAnEmptyImage) {
  for (double dpi : {0.0, -72.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_TRUE(errorOf([&] { (void)imageio::writePNG(testPicture(), {.dpi = dpi}); }).is(ImageReadWriteError::invalidDPI))
        << dpi;
  }
  const auto e = errorOf([] { (void)imageio::writePNG(Image()); });
  EXPECT_TRUE(e.is(ImageReadWriteError::cannotCreateImageOfType));
  EXPECT_EQ(e.text(), "public.png");
}

TEST(PNG, CompressionSettingsChangeSizeNotPixels) {
  const Image picture = testPicture();
  const auto stored = imageio::writePNG(picture, {.compressionLevel = 0, .filters = PNGFilter::none});
  const auto best = imageio::writePNG(picture, {.compressionLevel = 9, .filters = PNGFilter::all});
  const auto rle = imageio::writePNG(picture, {.compressionLevel = 3, .filters = PNGFilter::up, .strategy = PNGStrategy::rle});
  EXPECT_GT(stored.size(), best.size());
  EXPECT_GT(stored.size(), 64u * 48u * 4u);  // level 0 stores the rows
  EXPECT_EQ(imageio::readPNG(stored), imageio::readPNG(best));
  EXPECT_EQ(imageio::readPNG(rle), imageio::readPNG(best));
  // Out-of-range settings are limited, not failed.
  EXPECT_EQ(imageio::readPNG(imageio::writePNG(picture, {.compressionLevel = 42, .filters = 0})), imageio::readPNG(best));
}

TEST(PNG, GrayAndCMYKImagesAreWritten) {
  const Image gray = Image::make(3, 1, {0, 128, 255}, gfx::PixelFormat::gray);
  const Image grayBack = imageio::readPNG(imageio::writePNG(gray));
  EXPECT_EQ(grayBack.pixelAt(1, 0), (Image::RGBA{128, 128, 128, 255}));
  const Image cmyk = Image::make(1, 1, {0, 255, 255, 0}, gfx::PixelFormat::cmyk);  // red
  EXPECT_EQ(imageio::readPNG(imageio::writePNG(cmyk)).pixelAt(0, 0), (Image::RGBA{255, 0, 0, 255}));
}

TEST(PNG, DamagedDataIsAnErrorNotACrash) {
  const foundation::Bytes good = imageio::writePNG(testPicture());
  foundation::Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
  foundation::Bytes corrupt = good;
  for (std::size_t i = 60; i < corrupt.size() - 20; i += 7) corrupt[i] ^= 0x5a;
  foundation::Bytes signatureOnly(good.begin(), good.begin() + 8);
  const foundation::Bytes cases[] = {{}, foundation::bytesOf("hello"), signatureOnly, truncated, corrupt,
                                     withHeaderSize(good, 0, 10)};
  for (const auto& data : cases) {
    EXPECT_TRUE(errorOf([&] { (void)imageio::readPNG(data); }).is(ImageReadWriteError::unableToDecodeImage));
    EXPECT_TRUE(errorOf([&] { (void)imageio::loadImageFromData(data); }).is(ImageReadWriteError::unableToDecodeImage));
  }
  EXPECT_TRUE(errorOf([&] { (void)imageio::readPNGInfo(foundation::bytesOf("GIF89a")); }).is(ImageReadWriteError::unableToDecodeImage));
}

TEST(PNG, PixelLimitIsCheckedBeforeDecoding) {
  const foundation::Bytes png = imageio::writePNG(testPicture());  // 64 x 48 = 3072 pixels
  EXPECT_NO_THROW((void)imageio::readPNG(png, 3072));
  const auto e = errorOf([&] { (void)imageio::readPNG(png, 3071); });
  EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage));
  // A header that claims 30000 x 30000 (900 M pixels) is refused at once, and so is a
  // width beyond the canvas limit even when the pixel count would be allowed.
  EXPECT_TRUE(errorOf([&] { (void)imageio::readPNG(withHeaderSize(png, 30000, 30000)); }).is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_TRUE(errorOf([&] { (void)imageio::readPNG(withHeaderSize(png, 40000, 1), 1u << 30); }).is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_EQ(imageio::readPNGInfo(withHeaderSize(png, 30000, 30000)).width, 30000);
}

TEST(ImageLoad, LoadsPNGAndRefusesOtherFormatsClearly) {
  const Image picture = testPicture();
  const Image loaded = imageio::loadImageFromData(imageio::writePNG(picture));
  EXPECT_EQ(loaded.width(), picture.width());
  EXPECT_EQ(loaded.pixelAt(0, 0), picture.pixelAt(0, 0));
  const foundation::Bytes jpegStart = {0xff, 0xd8, 0xff, 0xe0, 0, 0x10, 'J', 'F', 'I', 'F', 0};
  const auto e = errorOf([&] { (void)imageio::loadImageFromData(jpegStart); });
  EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_EQ(std::string(e.what()).find("ImageReadWriteError.unableToDecodeImage"), 0u);
}

// A 16-bit file without gAMA, sRGB or iCCP holds sRGB-encoded samples: PIL reads the
// samples 0x8080, 0x4040 and 0xC0C0 of these files as 128, 64 and 192.
TEST(PNG, SixteenBitSamplesWithoutGammaChunksAreSRGBEncoded) {
  struct Row {
    const char* name;
    int colourType;
    int channels;
  };
  const Row rows[] = {{"grey", PNG_COLOR_TYPE_GRAY, 1}, {"rgb", PNG_COLOR_TYPE_RGB, 3}};
  const unsigned samples[3] = {0x8080, 0x4040, 0xC0C0};
  const int expected[3] = {128, 64, 192};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Pixel x, channel c holds sample (x + c) mod 3.
    std::vector<std::uint8_t> line;
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < row.channels; ++c) {
        const unsigned s = samples[(x + c) % 3];
        line.push_back(static_cast<std::uint8_t>(s >> 8));
        line.push_back(static_cast<std::uint8_t>(s & 0xff));
      }
    const foundation::Bytes png = writtenByLibpng(3, 16, row.colourType, {line.data()});
    ASSERT_FALSE(png.empty());
    const Image image = imageio::readPNG(png);
    for (int x = 0; x < 3; ++x) {
      const auto p = image.pixelAt(x, 0);
      const int c1 = row.channels == 1 ? 0 : 1, c2 = row.channels == 1 ? 0 : 2;
      EXPECT_EQ(p.r, expected[x % 3]) << x;
      EXPECT_EQ(p.g, expected[(x + c1) % 3]) << x;
      EXPECT_EQ(p.b, expected[(x + c2) % 3]) << x;
      EXPECT_EQ(p.a, 255);
    }
  }
}

// Writes one after another and at once on several threads, of sizes that need more of the
// compressor's memory than the last write did, each read back exactly by cairo's PNG reader.
TEST(PNG, WritesInTurnAndAtOnceAreEachReadBackExactly) {
  auto picture = [](int width, int height) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
      const std::size_t p = i / 4;
      rgba[i] = static_cast<std::uint8_t>(p * 7), rgba[i + 1] = static_cast<std::uint8_t>(p / 3);
      rgba[i + 2] = static_cast<std::uint8_t>(p * 13 + 5), rgba[i + 3] = 255;
    }
    return Image::make(width, height, std::move(rgba));
  };
  auto readsBack = [](const Image& image, int level) {
    PNGWriteOptions options;
    options.compressionLevel = level;
    const foundation::Bytes png = imageio::writePNG(image, options);
    ReadClosure closure{&png};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readChunk, &closure);
    bool same = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_width(s) == image.width() &&
                cairo_image_surface_get_height(s) == image.height();
    for (int y = 0; same && y < image.height(); ++y) {
      const auto* row =
          reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s));
      for (int x = 0; same && x < image.width(); ++x) {
        const auto p = image.pixelAt(x, y);
        same = row[x] == (0xff000000u | std::uint32_t{p.r} << 16 | std::uint32_t{p.g} << 8 | p.b);
      }
    }
    cairo_surface_destroy(s);
    return same;
  };
  const std::tuple<int, int, int> sizes[] = {{1, 1, 1}, {64, 48, 6}, {3000, 20, 9}, {7, 900, 0}, {40, 30, 4}};
  for (const auto& [w, h, level] : sizes) EXPECT_TRUE(readsBack(picture(w, h), level)) << w << " x " << h;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 6; ++i) {
        const auto& [w, h, level] = sizes[(t + i) % std::size(sizes)];
        if (!readsBack(picture(w, h), level)) ++failures;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}
