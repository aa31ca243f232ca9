// Loading every image format: decoded pixels against the encoded ones, orientation, grey
// and CMYK files, damaged, truncated and oversized data, files and named resources,
// colour conversions and the image archive wrapper.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imageio/GIFRead.hpp"
#include "imageio/HEIFRead.hpp"
#include "imageio/ImageCodable.hpp"
#include "imageio/ImageConvert.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/JPEGRead.hpp"
#include "imageio/TIFFRead.hpp"
#include "platform/foundation/Text.hpp"
#include "support/JPEGFiles.hpp"
#include "support/Raster.hpp"
#include "support/TestFolder.hpp"

namespace {

using Bytes = foundation::Bytes;
using gfx::Image;

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

// 40 x 30, opaque: top third red, middle third green, bottom third blue, plus a white
// square in the top-left corner so that left and right are told apart too.
Image orientedPicture(int width = 40, int height = 30) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* d = px.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      const int band = y * 3 / height;
      d[0] = band == 0 ? 255 : 0;
      d[1] = band == 1 ? 255 : 0;
      d[2] = band == 2 ? 255 : 0;
      d[3] = 255;
      if (x < 6 && y < 6) d[0] = d[1] = d[2] = 255;
    }
  return Image::make(width, height, std::move(px));
}

// The same picture with a transparent right half.
Image transparentPicture() {
  Image opaque = orientedPicture();
  std::vector<std::uint8_t> px(opaque.pixels().begin(), opaque.pixels().end());
  for (int y = 0; y < opaque.height(); ++y)
    for (int x = opaque.width() / 2; x < opaque.width(); ++x)
      std::fill_n(px.data() + (static_cast<std::size_t>(y) * opaque.width() + x) * 4, 4, 0);
  return Image::make(opaque.width(), opaque.height(), std::move(px));
}

// The bands and the corner square are where they were drawn.
void expectUpright(const Image& image, int tolerance, const std::string& what) {
  SCOPED_TRACE(what);
  auto near = [&](Image::RGBA p, int r, int g, int b) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
  };
  EXPECT_TRUE(near(image.pixelAt(20, 3), 255, 0, 0)) << "red at the top";
  EXPECT_TRUE(near(image.pixelAt(20, 15), 0, 255, 0)) << "green in the middle";
  EXPECT_TRUE(near(image.pixelAt(20, 26), 0, 0, 255)) << "blue at the bottom";
  EXPECT_TRUE(near(image.pixelAt(2, 2), 255, 255, 255)) << "white square at the left";
  EXPECT_TRUE(near(image.pixelAt(37, 2), 255, 0, 0)) << "no white square at the right";
}

struct FormatCase {
  const char* name;
  ImageExportType type;
  int tolerance;  // against the source pixels: 0 exact, else the largest mean difference
};

std::vector<FormatCase> formatCases() {
  return {
      {"png", ImageExportType::png(1), 0},
      {"jpeg", ImageExportType::jpg(1, 1.0), 8},  // chroma subsampling blurs the band edges
      {"tiff", ImageExportType::tiff(1), 0},
      {"tiff-lzw", ImageExportType::tiff(1, 0.5), 0},
      {"gif", ImageExportType::gif(), 0},
      {"heic", ImageExportType::heic(1, 1.0), 4},
  };
}

// --- files written directly with the codec libraries ------------------------------------

// A TIFF of raw samples through libtiff, written to a temporary file: 8, 16 or 32 bits
// (floating-point), a sample beyond the colour's extra, of the kind given (EXTRASAMPLE_...),
// in strips of two rows or tiles of 16 x 16, contiguous or a plane a sample; data holds
// every pixel's samples in order.
Bytes writeTIFF(int width, int height, int bits, std::uint16_t photometric, int samples, std::uint16_t alphaKind,
                const std::vector<std::uint16_t>& data, bool tiled = false,
                std::uint16_t orientation = ORIENTATION_TOPLEFT, bool planar = false) {
  const std::string path = testsupport::testPath("raw.tiff").string();
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (!tiff) return {};
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  if (photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
  const int colours = photometric == PHOTOMETRIC_RGB ? 3 : photometric == PHOTOMETRIC_SEPARATED ? 4 : 1;
  if (samples > colours) TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &alphaKind);
  std::uint16_t map[768];  // palette entry i: red i, green 255 - i, blue i
  for (int i = 0; i < 768; ++i) map[i] = static_cast<std::uint16_t>((i / 256 == 1 ? 255 - i % 256 : i % 256) * 257);
  if (photometric == PHOTOMETRIC_PALETTE) TIFFSetField(tiff, TIFFTAG_COLORMAP, map, map + 256, map + 512);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
  if (bits == 32) TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
  const std::size_t perRow = static_cast<std::size_t>(width) * samples;
  const int planes = planar ? samples : 1, perPixel = samples / planes;
  auto put = [&](std::uint8_t* to, int x, int y, int plane) {  // pixel (x, y)'s samples in the plane, zero outside the image
    for (int i = 0; i < perPixel; ++i) {
      const std::uint16_t v = x < width && y < height ? data[static_cast<std::size_t>(y) * perRow + x * samples + plane + i] : 0;
      const float f = v;
      if (bits == 8) to[i] = static_cast<std::uint8_t>(v);
      else if (bits == 16) std::memcpy(to + 2 * i, &v, 2);
      else std::memcpy(to + 4 * i, &f, 4);
    }
  };
  const int across = tiled ? 16 : width, down = tiled ? 16 : 1, size = perPixel * bits / 8;
  std::vector<std::uint8_t> block(static_cast<std::size_t>(across * down * size));
  if (tiled) TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16), TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
  else TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 2);
  for (int plane = 0; plane < planes; ++plane)
    for (int y0 = 0; y0 < height; y0 += down)
      for (int x0 = 0; x0 < width; x0 += across) {
        for (int y = 0; y < down; ++y)
          for (int x = 0; x < across; ++x) put(block.data() + (y * across + x) * size, x0 + x, y0 + y, plane);
        const auto sample = static_cast<std::uint16_t>(plane);
        if (tiled) TIFFWriteTile(tiff, block.data(), static_cast<std::uint32_t>(x0), static_cast<std::uint32_t>(y0), 0, sample);
        else TIFFWriteScanline(tiff, block.data(), static_cast<std::uint32_t>(y0), sample);
      }
  TIFFClose(tiff);
  std::ifstream in(path, std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return bytes;
}

Bytes writeRawTIFF(int width, int height, int samples, std::uint16_t photometric, const std::vector<std::uint8_t>& data) {
  return writeTIFF(width, height, 8, photometric, samples, 0, {data.begin(), data.end()});  // 8 bits, no alpha
}

int testGifWrite(GifFileType* gif, const GifByteType* data, int size) {
  auto* bytes = static_cast<Bytes*>(gif->UserData);
  bytes->insert(bytes->end(), data, data + size);
  return size;
}

// A GIF of a screen with one frame placed at (left, top), index i coloured palette[i];
// index 3 is transparent.
Bytes writeFrameGIF(int screenW, int screenH, int left, int top, int w, int h, bool interlace) {
  Bytes bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, testGifWrite, &error);
  GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screenW, screenH, 8, 0, map);
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = 3;
  GifByteType extension[4];
  const std::size_t length = EGifGCBToExtension(&gcb, extension);
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
  EGifPutImageDesc(gif, left, top, w, h, interlace, nullptr);
  // Rows: 0 red, then green, blue, transparent by row band; written in the file's row order.
  std::vector<int> order;
  if (interlace) {
    for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
      for (int r = start; r < h; r += step) order.push_back(r);
  } else {
    for (int r = 0; r < h; ++r) order.push_back(r);
  }
  std::vector<GifByteType> line(static_cast<std::size_t>(w));
  for (const int r : order) {
    std::fill(line.begin(), line.end(), static_cast<GifByteType>(r * 4 / h));
    EGifPutLine(gif, line.data(), w);
  }
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
  return bytes;
}

// A GIF screen with one frame at (left, top) whose pixel (x, y) has the palette index
// index(x, y) of a 16-colour palette: colour i is (16 i, 255 - 16 i, (i * 7 % 16) * 16).
std::vector<GifColorType> sixteenColours() {
  std::vector<GifColorType> colours(16);
  for (int i = 0; i < 16; ++i)
    colours[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(16 * i), static_cast<GifByteType>(255 - 16 * i),
                                            static_cast<GifByteType>((i * 7 % 16) * 16)};
  return colours;
}

Bytes writeIndexedGIF(int screenW, int screenH, int left, int top, int w, int h, int (*index)(int x, int y)) {
  Bytes bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, testGifWrite, &error);
  std::vector<GifColorType> colours = sixteenColours();
  ColorMapObject* map = GifMakeMapObject(16, colours.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screenW, screenH, 8, 0, map);
  EGifPutImageDesc(gif, left, top, w, h, false, nullptr);
  std::vector<GifByteType> line(static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) line[static_cast<std::size_t>(x)] = static_cast<GifByteType>(index(x, y));
    EGifPutLine(gif, line.data(), w);
  }
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
  return bytes;
}

// --- header surgery for oversized dimensions ----------------------------------------------

// The JPEG with its SOF frame size replaced.
Bytes withJPEGSize(Bytes jpeg, unsigned width, unsigned height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no SOF marker";
  return jpeg;
}

// The little-endian TIFF with the width and length tags of its first directory replaced.
Bytes withTIFFSize(Bytes tiff, std::uint32_t width, std::uint32_t height) {
  auto u16 = [&](std::size_t at) { return static_cast<unsigned>(tiff[at] | (tiff[at + 1] << 8)); };
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) tiff[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  EXPECT_EQ(tiff[0], 'I');
  const std::size_t ifd = tiff[4] | (tiff[5] << 8) | (tiff[6] << 16) | (static_cast<std::size_t>(tiff[7]) << 24);
  const unsigned count = u16(ifd);
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t entry = ifd + 2 + 12 * i;
    const unsigned tag = u16(entry), type = u16(entry + 2);
    if (tag != 256 && tag != 257) continue;
    if (type == 3) {  // SHORT: only 16 bits; make it LONG
      tiff[entry + 2] = 4;
      tiff[entry + 3] = 0;
    }
    put32(entry + 8, tag == 256 ? width : height);
  }
  return tiff;
}

// The GIF with its screen and first frame sizes replaced.
Bytes withGIFSize(Bytes gif, unsigned width, unsigned height) {
  gif[6] = static_cast<std::uint8_t>(width);
  gif[7] = static_cast<std::uint8_t>(width >> 8);
  gif[8] = static_cast<std::uint8_t>(height);
  gif[9] = static_cast<std::uint8_t>(height >> 8);
  for (std::size_t i = 13; i + 9 < gif.size(); ++i) {
    if (gif[i] == 0x2C) {  // image separator; its size follows the position
      gif[i + 5] = static_cast<std::uint8_t>(width);
      gif[i + 6] = static_cast<std::uint8_t>(width >> 8);
      gif[i + 7] = static_cast<std::uint8_t>(height);
      gif[i + 8] = static_cast<std::uint8_t>(height >> 8);
      break;
    }
  }
  return gif;
}

// The HEIF with the size in its image spatial extents box replaced.
Bytes withHEIFSize(Bytes heif, std::uint32_t width, std::uint32_t height) {
  const char tag[] = "ispe";
  const auto at = std::search(heif.begin(), heif.end(), tag, tag + 4);
  EXPECT_NE(at, heif.end());
  if (at == heif.end()) return heif;
  const std::size_t p = static_cast<std::size_t>(at - heif.begin()) + 8;  // after type, version, flags
  for (int k = 0; k < 4; ++k) {
    heif[p + k] = static_cast<std::uint8_t>(width >> (24 - 8 * k));
    heif[p + 4 + k] = static_cast<std::uint8_t>(height >> (24 - 8 * k));
  }
  return heif;
}

// libjpeg recovers from extraneous bytes before a marker without losing a pixel, and other
// readers load such files; a file cut in half stays an error.
TEST(ImageLoad, RecoverableJPEGWarningsAreAcceptedLostDataIsNot) {
  const Bytes jpeg = imageio::encodeImageData(orientedPicture(64, 48), ImageExportType::jpg(1, 0.9));
  // Two extraneous bytes before the first quantisation table (FF DB).
  const std::uint8_t marker[] = {0xFF, 0xDB};
  const auto table = std::search(jpeg.begin(), jpeg.end(), std::begin(marker), std::end(marker));
  ASSERT_NE(table, jpeg.end());
  Bytes extraneous(jpeg.begin(), table);
  extraneous.insert(extraneous.end(), {0x12, 0x34});
  extraneous.insert(extraneous.end(), table, jpeg.end());
  struct Row {
    const char* name;
    Bytes data;
    bool loads;
  };
  const Row rows[] = {
      {"two extraneous bytes", extraneous, true},
      {"cut in half", Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2)), false},
      {"extraneous bytes and cut", Bytes(extraneous.begin(), extraneous.end() - 200), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.loads) {
      // libjpeg's own reading of the same bytes, pixel for pixel.
      EXPECT_EQ(testsupport::imageDifference(imageio::loadImageFromData(row.data), testsupport::decodeJPEGFile(row.data).image).largest, 0);
    } else {
      EXPECT_TRUE(errorOf([&] { (void)imageio::loadImageFromData(row.data); }).is(ImageReadWriteError::unableToDecodeImage));
    }
  }
}

}  // namespace

// --- every format ---------------------------------------------------------------------

TEST(ImageLoad, EveryFormatDecodesToTheEncodedPixelsUpright) {
  const Image source = orientedPicture();
  for (const FormatCase& c : formatCases()) {
    SCOPED_TRACE(c.name);
    const Bytes data = imageio::encodeImageData(source, c.type);
    const Image loaded = imageio::loadImageFromData(data);
    ASSERT_EQ(loaded.width(), source.width());
    ASSERT_EQ(loaded.height(), source.height());
    EXPECT_EQ(loaded.format(), gfx::PixelFormat::rgba);
    if (c.tolerance == 0)
      EXPECT_EQ(testsupport::imageDifference(loaded, source).largest, 0);
    else
      EXPECT_LE(testsupport::imageDifference(loaded, source).channelMean, c.tolerance);
    expectUpright(loaded, 12, c.name);
  }
}

TEST(ImageLoad, LossyFormatsDecodeLikeTheirOwnLibraries) {
  const Image source = orientedPicture();
  const Bytes jpeg = imageio::encodeImageData(source, ImageExportType::jpg(1, 0.7));
  EXPECT_EQ(testsupport::imageDifference(imageio::loadImageFromData(jpeg), testsupport::decodeJPEGFile(jpeg).image).largest, 0);
  const Bytes heic = imageio::encodeImageData(source, ImageExportType::heic(1, 0.7));
  EXPECT_LE(testsupport::imageDifference(imageio::loadImageFromData(heic), testsupport::decodeHEICFile(heic).image).largest, 1);
  const Bytes tiff = imageio::encodeImageData(source, ImageExportType::tiff(2, 1.0));
  EXPECT_EQ(imageio::loadImageFromData(tiff), testsupport::decodeTIFFFile(tiff).image);
}

TEST(ImageLoad, TransparencySurvivesTheFormatsThatKeepIt) {
  const Image source = transparentPicture();
  for (const auto& [name, type] : {std::pair{"png", ImageExportType::png(1)}, {"tiff", ImageExportType::tiff(1)},
                                   {"gif", ImageExportType::gif()}}) {
    SCOPED_TRACE(name);
    const Image loaded = imageio::loadImageFromData(imageio::encodeImageData(source, type));
    EXPECT_EQ(testsupport::imageDifference(loaded, source).largest, 0);
    EXPECT_EQ(loaded.pixelAt(35, 20).a, 0);
    EXPECT_EQ(loaded.pixelAt(5, 20).a, 255);
  }
  // HEIC keeps an alpha plane too, within its coding loss.
  const Image heic = imageio::loadImageFromData(imageio::encodeImageData(source, ImageExportType::heic(1, 1.0)));
  EXPECT_LE(heic.pixelAt(35, 15).a, 10);
  EXPECT_GE(heic.pixelAt(5, 15).a, 245);
}

TEST(ImageLoad, HalfTransparentPixelsArePremultiplied) {
  // PNG and TIFF store straight and associated alpha; both come back premultiplied.
  const Image half = Image::filled(4, 4, {100, 50, 0, 128});
  for (const auto& type : {ImageExportType::png(1), ImageExportType::tiff(1)}) {
    const Image loaded = imageio::loadImageFromData(imageio::encodeImageData(half, type));
    const auto p = loaded.pixelAt(1, 1);
    EXPECT_EQ(p.a, 128);
    EXPECT_NEAR(p.r, 100, 1);
    EXPECT_NEAR(p.g, 50, 1);
  }
}

// --- alpha, layouts and orientations in TIFF files -----------------------------------------

// The stored pixel that a w x h picture stored in the orientation (TIFF's and Exif's
// numbers) shows at (x, y) once upright: 3 turns it half round, 6 a quarter clockwise
// and 8 a quarter anticlockwise; 2, 4, 5 and 7 mirror 1, 3, 6 and 8 left to right.
std::pair<int, int> storedAt(int orientation, int w, int h, int x, int y) {
  switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 3: return {w - 1 - x, h - 1 - y};
    case 6: return {y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return {x, y};
  }
}

// Grey, RGB and CMYK files, with straight or associated alpha or none, in strips or tiles
// and in any orientation, load as the premultiplied values of the samples written, turned
// upright: colour x alpha, 16-bit samples scaled to 8 bits, inks turned into RGB as
// (1 - ink) x (1 - black) (associated ones first divided by their alpha, as ImageMagick
// does), palette indices as their colours, extra samples of unspecified kind skipped;
// to within one 8-bit step for the rounding in between.
TEST(ImageLoad, TIFFsOfEveryLayoutLoadPremultipliedAndUpright) {
  struct Row {
    const char* name;
    int bits;
    std::uint16_t photometric;
    int samples;  // colour samples and the alpha
    std::uint16_t alpha = EXTRASAMPLE_UNASSALPHA;  // 0: none, or unspecified
    bool tiled = false;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    bool planar = false;  // a plane a sample
  };
  const std::uint16_t associated = EXTRASAMPLE_ASSOCALPHA, straight = EXTRASAMPLE_UNASSALPHA;
  const Row rows[] = {
      {"8-bit grey + alpha", 8, PHOTOMETRIC_MINISBLACK, 2},
      {"16-bit grey + alpha", 16, PHOTOMETRIC_MINISBLACK, 2},
      {"8-bit RGBA", 8, PHOTOMETRIC_RGB, 4},
      {"16-bit RGBA", 16, PHOTOMETRIC_RGB, 4},
      {"8-bit CMYK + alpha", 8, PHOTOMETRIC_SEPARATED, 5},
      {"16-bit CMYK + alpha", 16, PHOTOMETRIC_SEPARATED, 5},
      {"8-bit grey + alpha, bottom-right", 8, PHOTOMETRIC_MINISBLACK, 2, straight, false, ORIENTATION_BOTRIGHT},
      {"16-bit grey + associated alpha, tiled, bottom-right", 16, PHOTOMETRIC_MINISBLACK, 2, associated, true, 3},
      {"8-bit grey + associated alpha, right-top", 8, PHOTOMETRIC_MINISBLACK, 2, associated, false, ORIENTATION_RIGHTTOP},
      {"16-bit grey + alpha, right-top", 16, PHOTOMETRIC_MINISBLACK, 2, straight, false, ORIENTATION_RIGHTTOP},
      {"8-bit grey + alpha, tiled, left-bottom", 8, PHOTOMETRIC_MINISBLACK, 2, straight, true, ORIENTATION_LEFTBOT},
      {"16-bit grey + associated alpha, left-bottom", 16, PHOTOMETRIC_MINISBLACK, 2, associated, false, 8},
      {"8-bit RGBA, left-bottom", 8, PHOTOMETRIC_RGB, 4, straight, false, ORIENTATION_LEFTBOT},
      {"16-bit CMYK, tiled, right-top", 16, PHOTOMETRIC_SEPARATED, 4, 0, true, ORIENTATION_RIGHTTOP},
      {"8-bit CMYK + associated alpha, top-right", 8, PHOTOMETRIC_SEPARATED, 5, associated, false, ORIENTATION_TOPRIGHT},
      {"16-bit CMYK + associated alpha, tiled, bottom-left", 16, PHOTOMETRIC_SEPARATED, 5, associated, true, 4},
      {"8-bit palette, tiled (256-byte tiles), left-top", 8, PHOTOMETRIC_PALETTE, 1, 0, true, ORIENTATION_LEFTTOP},
      {"8-bit RGB + unspecified extra sample, right-bottom", 8, PHOTOMETRIC_RGB, 4, 0, false, ORIENTATION_RIGHTBOT},
      {"8-bit RGBA, planes", 8, PHOTOMETRIC_RGB, 4, straight, false, ORIENTATION_TOPLEFT, true},
      {"16-bit CMYK + associated alpha, planes, tiled, left-bottom", 16, PHOTOMETRIC_SEPARATED, 5, associated, true, 8, true},
  };
  const int w = 37, h = 21;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const double top = row.bits == 8 ? 255 : 65535;
    const int colours = row.photometric == PHOTOMETRIC_RGB ? 3 : row.photometric == PHOTOMETRIC_SEPARATED ? 4 : 1;
    // Samples spread over the range (associated colour no more than its alpha); pixel 0
    // is colour 200/255 at alpha 128/255 (which must load as 100, not 200 or 128: the
    // bound below allows one step), the last pixel is fully transparent.
    std::vector<std::uint16_t> samples(static_cast<std::size_t>(w) * h * row.samples);
    for (std::size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<std::uint16_t>(std::fmod(i * 0.6180339887 * 7919, 1.0) * top);
    for (int s = 0; s < colours; ++s)
      samples[static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(
          (row.photometric == PHOTOMETRIC_SEPARATED ? (s == 3 ? 55 : 0) : row.alpha == associated ? 100 : 200) * top / 255);
    if (row.alpha) {
      samples[static_cast<std::size_t>(row.samples) - 1] = static_cast<std::uint16_t>(128 * top / 255);
      samples[samples.size() - 1] = 0;
      for (std::size_t i = 0; row.alpha == associated && i < samples.size(); ++i)
        samples[i] = std::min(samples[i], samples[i - i % row.samples + row.samples - 1]);
    }
    const int inks[] = {125, 43, 88, 6, 126};  // associated, at alpha 126: ImageMagick shows (1, 79, 36)
    for (int s = 0; colours == 4 && row.alpha == associated && s < 5; ++s) samples[s] = std::uint16_t(inks[s] * top / 255);

    const Image image = imageio::loadImageFromData(
        writeTIFF(w, h, row.bits, row.photometric, row.samples, row.alpha, samples, row.tiled, row.orientation, row.planar));
    const bool turned = row.orientation >= ORIENTATION_LEFTTOP;
    ASSERT_EQ(image.width(), turned ? h : w);
    ASSERT_EQ(image.height(), turned ? w : h);
    int worst = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const auto [sx, sy] = storedAt(row.orientation, w, h, x, y);
        const std::uint16_t* p = samples.data() + (static_cast<std::size_t>(sy) * w + sx) * row.samples;
        const double alpha = row.alpha ? p[row.samples - 1] / top : 1.0;
        const double whole = row.alpha == associated && alpha > 0 ? alpha * top : top;  // a straight sample's 1
        double rgb[3];
        for (int c = 0; c < 3; ++c) {
          if (colours == 1) rgb[c] = row.photometric == PHOTOMETRIC_PALETTE && c == 1 ? 1 - p[0] / whole : p[0] / whole;
          else if (colours == 3) rgb[c] = p[c] / whole;
          else rgb[c] = (1 - p[c] / whole) * (1 - p[3] / whole);
          rgb[c] *= alpha;
        }
        const Image::RGBA got = image.pixelAt(x, y);
        const int want[4] = {static_cast<int>(std::lround(rgb[0] * 255)), static_cast<int>(std::lround(rgb[1] * 255)),
                             static_cast<int>(std::lround(rgb[2] * 255)), static_cast<int>(std::lround(alpha * 255))};
        const int have[4] = {got.r, got.g, got.b, got.a};
        for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(have[c] - want[c]));
        EXPECT_EQ(have[3], want[3]) << x << "," << y;
      }
    EXPECT_LE(worst, 1);
  }
  // Samples of other kinds than unsigned integers are refused by name.
  const Bytes floats = writeTIFF(2, 1, 32, PHOTOMETRIC_MINISBLACK, 1, 0, {1, 0});
  const auto e = errorOf([&] { (void)imageio::loadImageFromData(floats); });
  EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_NE(std::string(e.what()).find("floating-point samples"), std::string::npos) << e.what();
}

// --- grey and CMYK files ----------------------------------------------------------------

TEST(ImageLoad, GreyJPEGAndTIFFGiveGreyImages) {
  const int w = 16, h = 8;
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) grey[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(x * 16 + (y < 4 ? 0 : 8));
  // Without Exif, with every Exif orientation, and with 6 after fill bytes (FF FF) before
  // its segment's marker.
  for (const auto& [orientation, fill] : {std::pair{0, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {6, 2}}) {
    SCOPED_TRACE("orientation " + std::to_string(orientation) + ", fill bytes " + std::to_string(fill));
    Bytes jpeg = testsupport::writeRawJPEG(w, h, 1, grey, testsupport::exifBlock(orientation));
    const std::uint8_t app1[] = {0xFF, 0xE1};
    jpeg.insert(std::search(jpeg.begin(), jpeg.end(), std::begin(app1), std::end(app1)), fill, 0xFF);
    const Image fromJPEG = imageio::loadImageFromData(jpeg);
    const bool sideways = orientation >= 5;
    ASSERT_EQ(fromJPEG.format(), gfx::PixelFormat::gray);
    ASSERT_EQ(fromJPEG.width(), sideways ? h : w);
    ASSERT_EQ(fromJPEG.height(), sideways ? w : h);
    int worst = 0;
    for (int y = 0; y < fromJPEG.height(); ++y)
      for (int x = 0; x < fromJPEG.width(); ++x) {
        const auto [sx, sy] = storedAt(orientation, w, h, x, y);
        worst = std::max(worst, std::abs(fromJPEG.pixels()[static_cast<std::size_t>(y * fromJPEG.width() + x)] -
                                         grey[static_cast<std::size_t>(sy * w + sx)]));
      }
    EXPECT_LE(worst, 3);
  }

  const Image fromTIFF = imageio::loadImageFromData(writeRawTIFF(w, h, 1, PHOTOMETRIC_MINISBLACK, grey));
  ASSERT_EQ(fromTIFF.format(), gfx::PixelFormat::gray);
  EXPECT_TRUE(std::equal(grey.begin(), grey.end(), fromTIFF.pixels().begin()));
  // White-is-zero files are turned round.
  const Image inverted = imageio::loadImageFromData(writeRawTIFF(w, h, 1, PHOTOMETRIC_MINISWHITE, grey));
  ASSERT_EQ(inverted.format(), gfx::PixelFormat::gray);
  EXPECT_EQ(inverted.pixels()[0], 255 - grey[0]);
  EXPECT_EQ(inverted.pixels()[17], 255 - grey[17]);
}

TEST(ImageLoad, CMYKJPEGAndTIFFGiveCMYKImages) {
  // Four stripes: cyan, magenta, yellow ink, then black ink.
  const int w = 16, h = 16;
  std::vector<std::uint8_t> inks(static_cast<std::size_t>(w) * h * 4, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) inks[(static_cast<std::size_t>(y) * w + x) * 4 + static_cast<std::size_t>(x / 4)] = 255;
  const struct {
    const char* name;
    Bytes data;
    int tolerance;
  } files[] = {{"jpeg", testsupport::writeRawJPEG(w, h, 4, inks), 6},
               {"tiff", writeRawTIFF(w, h, 4, PHOTOMETRIC_SEPARATED, inks), 0}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const Image image = imageio::loadImageFromData(f.data);
    ASSERT_EQ(image.format(), gfx::PixelFormat::cmyk);
    ASSERT_EQ(image.width(), w);
    const Image::RGBA expected[] = {{0, 255, 255, 255}, {255, 0, 255, 255}, {255, 255, 0, 255}, {0, 0, 0, 255}};
    for (int stripe = 0; stripe < 4; ++stripe) {
      const auto p = image.pixelAt(stripe * 4 + 2, 8);
      EXPECT_NEAR(p.r, expected[stripe].r, f.tolerance) << stripe;
      EXPECT_NEAR(p.g, expected[stripe].g, f.tolerance) << stripe;
      EXPECT_NEAR(p.b, expected[stripe].b, f.tolerance) << stripe;
    }
  }
}

// --- GIF frames -------------------------------------------------------------------------

TEST(ImageLoad, GIFFramesArePlacedOnTheScreenAndInterlacingIsUndone) {
  for (const bool interlace : {false, true}) {
    SCOPED_TRACE(interlace ? "interlaced" : "plain");
    const Image image = imageio::loadImageFromData(writeFrameGIF(30, 20, 5, 2, 20, 16, interlace));
    ASSERT_EQ(image.width(), 30);
    ASSERT_EQ(image.height(), 20);
    EXPECT_EQ(image.pixelAt(0, 0).a, 0) << "outside the frame";
    EXPECT_EQ(image.pixelAt(29, 19).a, 0) << "outside the frame";
    // Frame rows 0-3 red, 4-7 green, 8-11 blue, 12-15 transparent.
    EXPECT_EQ(image.pixelAt(10, 2), (Image::RGBA{255, 0, 0, 255}));
    EXPECT_EQ(image.pixelAt(10, 5), (Image::RGBA{255, 0, 0, 255}));
    EXPECT_EQ(image.pixelAt(10, 6), (Image::RGBA{0, 255, 0, 255}));
    EXPECT_EQ(image.pixelAt(24, 13), (Image::RGBA{0, 0, 255, 255}));
    EXPECT_EQ(image.pixelAt(10, 14), (Image::RGBA{0, 0, 0, 0}));
    EXPECT_EQ(image.pixelAt(4, 6).a, 0) << "left of the frame";
  }
  // A frame reaching beyond the screen is cut at the screen's edge.
  const Image clipped = imageio::loadImageFromData(writeFrameGIF(10, 10, 4, 4, 12, 12, false));
  EXPECT_EQ(clipped.width(), 10);
  EXPECT_EQ(clipped.pixelAt(9, 5), (Image::RGBA{255, 0, 0, 255}));
}

// A frame that runs past the right edge of its screen loses the columns beyond it; they
// are not wrapped into the next row. Every column has its own colour, so a wrapped row
// shows; the pixels are compared with giflib's own frame, placed on the screen and
// cropped to it, and with the indices written.
TEST(ImageLoad, GIFFramePastTheRightEdgeIsCutNotWrapped) {
  const int screenW = 12, screenH = 8, left = 7, top = 2, frameW = 9, frameH = 5;
  auto index = [](int x, int y) { return (x + 3 * y) % 16; };
  const Bytes gif = writeIndexedGIF(screenW, screenH, left, top, frameW, frameH, index);
  const Image image = imageio::loadImageFromData(gif);
  ASSERT_EQ(image.width(), screenW);
  ASSERT_EQ(image.height(), screenH);
  EXPECT_EQ(image, testsupport::decodeGIFFile(gif).image);
  const std::vector<GifColorType> colours = sixteenColours();
  for (int y = 0; y < screenH; ++y)
    for (int x = 0; x < screenW; ++x) {
      const bool inFrame = x >= left && y >= top && y < top + frameH;
      Image::RGBA want{0, 0, 0, 0};
      if (inFrame) {
        const GifColorType& c = colours[static_cast<std::size_t>(index(x - left, y - top))];
        want = {c.Red, c.Green, c.Blue, 255};
      }
      EXPECT_EQ(image.pixelAt(x, y), want) << x << "," << y;
    }
}

// --- bad data ---------------------------------------------------------------------------

TEST(ImageLoad, TruncatedDataIsAnErrorInEveryFormat) {
  const Image source = orientedPicture(64, 48);
  for (const FormatCase& c : formatCases()) {
    SCOPED_TRACE(c.name);
    const Bytes data = imageio::encodeImageData(source, c.type);
    for (const double fraction : {0.02, 0.25, 0.5, 0.75, 0.9}) {
      const auto cut = static_cast<std::ptrdiff_t>(static_cast<double>(data.size()) * fraction);
      const Bytes truncated(data.begin(), data.begin() + cut);
      const auto e = errorOf([&] { (void)imageio::loadImageFromData(truncated); });
      EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage)) << fraction << ": " << e.what();
    }
  }
}

TEST(ImageLoad, DamagedDataGivesAnErrorOrAPictureNeverACrash) {
  const Image source = orientedPicture(64, 48);
  for (const FormatCase& c : formatCases()) {
    SCOPED_TRACE(c.name);
    const Bytes data = imageio::encodeImageData(source, c.type);
    for (unsigned seed = 1; seed <= 12; ++seed) {
      Bytes damaged = data;
      // Keep the leading bytes so that the format is still recognised.
      for (std::size_t i = 16 + seed; i < damaged.size(); i += 5 + seed * 3)
        damaged[i] = static_cast<std::uint8_t>(damaged[i] ^ (0x35 * seed + 1));
      try {
        const Image image = imageio::loadImageFromData(damaged);
        EXPECT_FALSE(image.empty());
        EXPECT_EQ(image.pixels().size(), image.bytesPerRow() * static_cast<std::size_t>(image.height()));
      } catch (const foundation::Error& e) {
        EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage)) << e.what();
      }
    }
  }
  // Only a signature, or nothing recognisable at all.
  for (const Bytes& data : {Bytes{}, foundation::bytesOf("GIF89a"), foundation::bytesOf("II*"),
                            Bytes{'I', 'I', 42, 0}, Bytes{'M', 'M', 0, 42, 0, 0, 0, 8}, Bytes{0xFF, 0xD8, 0xFF},
                            foundation::bytesOf("\0\0\0\x18" "ftypheic"), foundation::bytesOf("plain text")}) {
    const auto e = errorOf([&] { (void)imageio::loadImageFromData(data); });
    EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage)) << e.what();
  }
}

TEST(ImageLoad, PixelLimitIsCheckedInEveryFormat) {
  const Image source = orientedPicture(64, 48);  // 3072 pixels
  for (const FormatCase& c : formatCases()) {
    SCOPED_TRACE(c.name);
    const Bytes data = imageio::encodeImageData(source, c.type);
    EXPECT_NO_THROW((void)imageio::loadImageFromData(data, 3072));
    EXPECT_TRUE(errorOf([&] { (void)imageio::loadImageFromData(data, 3071); }).is(ImageReadWriteError::unableToDecodeImage));
  }
}

TEST(ImageLoad, OversizedDimensionsAreRefusedBeforeAllocating) {
  const Image source = orientedPicture(64, 48);
  const Bytes jpeg = imageio::encodeImageData(source, ImageExportType::jpg(1));
  const Bytes tiff = imageio::encodeImageData(source, ImageExportType::tiff(1));
  const Bytes gif = imageio::encodeImageData(source, ImageExportType::gif());
  const Bytes heic = imageio::encodeImageData(source, ImageExportType::heic(1));
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"jpeg 65000 x 65000", withJPEGSize(jpeg, 65000, 65000)},
      {"jpeg 40000 x 1", withJPEGSize(jpeg, 40000, 1)},
      {"tiff 100000 x 100000", withTIFFSize(tiff, 100000, 100000)},
      {"tiff 4000000000 x 2", withTIFFSize(tiff, 4000000000u, 2)},
      {"gif 65535 x 65535", withGIFSize(gif, 65535, 65535)},
      {"heic 60000 x 60000", withHEIFSize(heic, 60000, 60000)},
  };
  for (const auto& c : cases) {
    const auto e = errorOf([&] { (void)imageio::loadImageFromData(c.data); });
    EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage)) << c.name << ": " << e.what();
  }
  // A size within the canvas limit but over the pixel limit is refused too.
  const auto e = errorOf([&] { (void)imageio::loadImageFromData(withJPEGSize(jpeg, 20000, 20000), 1u << 20); });
  EXPECT_TRUE(e.is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_NE(std::string(e.what()).find("20000 x 20000"), std::string::npos) << e.what();
}

TEST(ImageLoad, FormatsAreRecognisedByTheirLeadingBytes) {
  const Image source = orientedPicture();
  EXPECT_TRUE(imageio::isJPEGData(imageio::encodeImageData(source, ImageExportType::jpg(1))));
  EXPECT_TRUE(imageio::isTIFFData(imageio::encodeImageData(source, ImageExportType::tiff(1))));
  EXPECT_TRUE(imageio::isGIFData(imageio::encodeImageData(source, ImageExportType::gif())));
  EXPECT_TRUE(imageio::isHEIFData(imageio::encodeImageData(source, ImageExportType::heic(1))));
  const Bytes png = imageio::encodeImageData(source, ImageExportType::png(1));
  EXPECT_FALSE(imageio::isJPEGData(png) || imageio::isTIFFData(png) || imageio::isGIFData(png) || imageio::isHEIFData(png));
  // The decoders refuse what is not theirs.
  EXPECT_TRUE(errorOf([&] { (void)imageio::readJPEG(png); }).is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_TRUE(errorOf([&] { (void)imageio::readTIFF(png); }).is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_TRUE(errorOf([&] { (void)imageio::readGIF(png); }).is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_TRUE(errorOf([&] { (void)imageio::readHEIF(png); }).is(ImageReadWriteError::unableToDecodeImage));
}

// --- files and named resources ------------------------------------------------------------

TEST(ImageLoad, FilesAndNamedResources) {
  const std::filesystem::path folder = testsupport::testFolder();
  auto write = [&](const std::string& name, const Bytes& bytes) {
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  };
  const Image source = orientedPicture();
  write("logo.png", imageio::encodeImageData(source, ImageExportType::png(1)));
  write("photo.jpg", imageio::encodeImageData(source, ImageExportType::jpg(1, 1.0)));
  write("notes.png", foundation::bytesOf("not an image"));

  EXPECT_EQ(imageio::loadImageFromFile(folder / "logo.png"), imageio::loadImageFromData(imageio::encodeImageData(source, ImageExportType::png(1))));
  EXPECT_TRUE(errorOf([&] { (void)imageio::loadImageFromFile(folder / "missing.png"); }).is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_TRUE(errorOf([&] { (void)imageio::loadImageFromFile(folder); }).is(ImageReadWriteError::unableToDecodeImage));
  EXPECT_TRUE(errorOf([&] { (void)imageio::loadImageFromFile(folder / "notes.png"); }).is(ImageReadWriteError::unableToDecodeImage));

  EXPECT_EQ(imageio::loadImageNamed("logo", folder).width(), 40);
  EXPECT_EQ(imageio::loadImageNamed("logo.png", folder).width(), 40);
  expectUpright(imageio::loadImageNamed("photo", folder), 12, "named JPEG");
  for (const char* name : {"missing", "notes", "", "../logo", "sub/logo", ".."}) {
    const auto e = errorOf([&] { (void)imageio::loadImageNamed(name, folder); });
    EXPECT_TRUE(e.is(ImageReadWriteError::cannotLoadImageNamed)) << name;
    EXPECT_EQ(e.text(), name);
  }
}

// --- colour conversions ---------------------------------------------------------------------

TEST(ConvertColorspace, GreyKeepsNeutralsAndWeighsColoursByLuminance) {
  std::vector<std::uint8_t> px;
  for (int v = 0; v < 256; ++v) px.insert(px.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v), 255});
  const Image ramp = Image::make(256, 1, std::move(px));
  const Image grey = ConvertColorspace(ramp).grayscale();
  ASSERT_EQ(grey.format(), gfx::PixelFormat::gray);
  ASSERT_EQ(grey.width(), 256);
  for (int v = 0; v < 256; ++v) EXPECT_EQ(grey.pixels()[static_cast<std::size_t>(v)], v);

  const Image colours = Image::make(4, 1, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 0, 0, 0, 0});
  const Image g = ConvertColorspace(colours).grayscale();
  // Linear luminance 0.2126, 0.7152, 0.0722 on the sRGB curve; transparent is black.
  EXPECT_NEAR(g.pixels()[0], 127, 1);
  EXPECT_NEAR(g.pixels()[1], 220, 1);
  EXPECT_NEAR(g.pixels()[2], 76, 1);
  EXPECT_EQ(g.pixels()[3], 0);
}

TEST(ConvertColorspace, CMYKHasFourComponentsNoAlphaAndConvertsBack) {
  const Image source = orientedPicture();
  const Image inks = ConvertColorspace(source).cmyk();
  ASSERT_EQ(inks.format(), gfx::PixelFormat::cmyk);
  EXPECT_EQ(inks.width(), source.width());
  EXPECT_EQ(inks.height(), source.height());
  EXPECT_EQ(inks.bytesPerRow(), static_cast<std::size_t>(source.width()) * 4);
  EXPECT_LE(testsupport::imageDifference(ConvertColorspace(inks).sRGB(), source).largest, 1);
  // Red is magenta and yellow ink; white no ink at all.
  const auto red = inks.pixels().subspan((static_cast<std::size_t>(3) * 40 + 20) * 4, 4);
  EXPECT_EQ((std::vector<std::uint8_t>(red.begin(), red.end())), (std::vector<std::uint8_t>{0, 255, 255, 0}));
  const auto white = inks.pixels().subspan(0, 4);
  EXPECT_EQ((std::vector<std::uint8_t>(white.begin(), white.end())), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  // Any mix comes back within one step.
  std::vector<std::uint8_t> px;
  for (int i = 0; i < 512; ++i)
    px.insert(px.end(), {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(i * 13), static_cast<std::uint8_t>(i * 29), 255});
  const Image mix = Image::make(512, 1, std::move(px));
  EXPECT_LE(testsupport::imageDifference(ConvertColorspace(ConvertColorspace(mix).cmyk()).sRGB(), mix).largest, 1);
}

TEST(ConvertColorspace, SRGBSharesRGBAPixelsAndEmptyImagesFail) {
  const Image source = orientedPicture();
  const Image same = ConvertColorspace(source).sRGB();
  EXPECT_TRUE(same.sharesPixelsWith(source));
  const Image fromGrey = ConvertColorspace(Image::make(2, 1, {10, 200}, gfx::PixelFormat::gray)).sRGB();
  EXPECT_EQ(fromGrey.format(), gfx::PixelFormat::rgba);
  EXPECT_EQ(fromGrey.pixelAt(1, 0), (Image::RGBA{200, 200, 200, 255}));
  for (const auto& convert : {&ConvertColorspace::grayscale, &ConvertColorspace::cmyk, &ConvertColorspace::sRGB})
    EXPECT_TRUE(errorOf([&] { (void)(ConvertColorspace(Image()).*convert)(); }).is(ImageReadWriteError::cannotConvertColorspace));
}

// --- archive wrapper ------------------------------------------------------------------------

TEST(CGImageCodable, RoundTripAndErrors) {
  const Image source = transparentPicture();
  const foundation::Settings value = CGImageCodable(source).encode();
  ASSERT_TRUE(value.is_string());
  const auto text = foundation::StringValue(value);
  ASSERT_TRUE(text.has_value());
  // PNG bytes in base64.
  const auto bytes = foundation::base64Decode(*text);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_TRUE(imageio::isPNGData(*bytes));
  const CGImageCodable back = CGImageCodable::decode(value);
  EXPECT_EQ(back.image().width(), source.width());
  EXPECT_EQ(testsupport::imageDifference(back.image(), source).largest, 0);
  // Through JSON text as well.
  const auto json = foundation::writeJSON(foundation::Settings{{"image", value}});
  ASSERT_TRUE(json.has_value());
  const auto read = foundation::readJSON(*json);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(CGImageCodable::decode((*read)["image"]).image(), back.image());

  for (const foundation::Settings& bad : {foundation::Settings(12), foundation::Settings::object(),
                                          foundation::Settings(nullptr), foundation::Settings("not base64!")})
    EXPECT_TRUE(errorOf([&] { (void)CGImageCodable::decode(bad); }).is(ImageReadWriteError::codableInvalidData)) << bad.dump();
  const foundation::Settings notImage(foundation::base64Encode(foundation::bytesOf("hello, world")));
  EXPECT_TRUE(errorOf([&] { (void)CGImageCodable::decode(notImage); }).is(ImageReadWriteError::codableInvalidImage));
}
