// The loader's bounds against hostile files: HEIC grids and coded items larger than they
// say, HEIC files of many items or deep chains of derived images, TIFF tiles far larger
// than their image and planes held before their data, damaged HEIC data, HEIC items decoded once,
// progressive JPEG files of many scans, associated alpha above the colour, and one pixel
// budget across several images, failed ones included. Hostile files are read in a child
// process whose memory and processor time are measured.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/JPEGRead.hpp"
#include "support/ChildRun.hpp"
#include "support/Expect.hpp"
#include "support/HEICFiles.hpp"
#include "support/HEVCDecodes.hpp"
#include "support/JPEGFiles.hpp"
#include "support/Raster.hpp"
#include "support/TestData.hpp"
#include "support/TestFolder.hpp"
#include "support/TIFFFiles.hpp"

namespace {

using foundation::Bytes;
using gfx::Image;
using testsupport::expectError;

// The repro file of many samples scaled up through libtiff: side x side grey pixels of
// 8-bit samples, a row a strip, every strip's offset and byte count made the first's (of
// a deflate stream of zeros).
Bytes sharedStripTIFF(std::uint32_t side, std::uint32_t samples) {
  const std::string path = testsupport::testPath("shared-strip.tif").string();
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  for (const auto& [tag, value] : std::initializer_list<std::pair<ttag_t, std::uint32_t>>{
           {TIFFTAG_IMAGEWIDTH, side}, {TIFFTAG_IMAGELENGTH, side}, {TIFFTAG_ROWSPERSTRIP, 1}, {TIFFTAG_BITSPERSAMPLE, 8},
           {TIFFTAG_SAMPLESPERPIXEL, samples}, {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK},
           {TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE}})
    TIFFSetField(tiff, tag, value);
  std::vector<std::uint8_t> zeros(static_cast<std::size_t>(TIFFStripSize(tiff)));
  TIFFWriteEncodedStrip(tiff, 0, zeros.data(), TIFFStripSize(tiff));
  for (std::uint32_t strip = 1; strip < side; ++strip) TIFFWriteRawStrip(tiff, strip, zeros.data(), 1);
  TIFFClose(tiff);
  std::ifstream in(path, std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u32 = [&](std::size_t at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::size_t{bytes[at + 3]} << 24; };
  for (std::size_t entry = u32(4) + 2; entry < u32(4) + 2 + 12 * (u32(u32(4)) & 0xFFFF); entry += 12)
    if (const auto tag = u32(entry) & 0xFFFF; tag == TIFFTAG_STRIPOFFSETS || tag == TIFFTAG_STRIPBYTECOUNTS)
      for (std::size_t k = 1, at = u32(entry + 8); k < side; ++k) std::copy_n(&bytes[at], 4, &bytes[at + 4 * k]);
  return bytes;
}

// The error's text, or "no error" and a digest of the pixels.
std::string messageOf(const Bytes& data) {
  try {
    const Image image = imageio::loadImageFromData(data);
    std::uint64_t digest = 14695981039346656037u;
    for (const std::uint8_t byte : image.pixels()) digest = (digest ^ byte) * 1099511628211u;
    return "no error, pixels " + std::to_string(digest);
  } catch (const foundation::Error& e) {
    return e.what();
  }
}

// The bytes with the part [from, to) there `times` times.
Bytes repeated(Bytes bytes, std::size_t from, std::size_t to, std::size_t times) {
  const Bytes part(&bytes[from], &bytes[to]);
  for (std::size_t i = 1; i < times; ++i) bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(to), part.begin(), part.end());
  return bytes;
}

// The repro's 2000 other item locations (from byte 99 of its iloc box at 83) and 2000
// grid ids (from 32166 of its iinf box at 32131) `times` times over, before the boxes that
// follow (iprp, iref, idat, mdat from 74166), with the box sizes, counts and the offset of
// the picture's data (its location at 32099) moved by what goes in.
Bytes repeatedGridIds(std::size_t times) {
  Bytes heic = repeated(repeated(testsupport::testData("repro/heic-2000-repeated-grid-ids.heic"), 32166, 74166, times),
                        99, 32099, times);
  const auto add = [&](std::size_t at, std::size_t size, std::size_t value) {  // to a big-endian number
    for (std::size_t k = size; k-- > 0; value >>= 8) heic[at + k] = static_cast<std::uint8_t>(value += heic[at + k]);
  };
  const std::size_t locations = 32000 * (times - 1), entries = 42000 * (times - 1);
  add(24, 4, locations + entries);  // meta
  add(83, 4, locations), add(97, 2, 2000 * (times - 1));
  add(32131 + locations, 4, entries), add(32143 + locations, 2, 2000 * (times - 1));
  add(32107 + locations, 4, locations + entries);
  return heic;
}

// What a hostile file may cost before it is refused.
constexpr std::uint64_t kMaxBytesToRefuse = 300u * 1000u * 1000u;

}  // namespace

TEST(ReaderBounds, HostileFilesAreRefusedBeforeDecodingHEICItemsDecodedOnce) {
  // The twenty items of 8192 x 4320 declaring another size (one "ispe" box for all).
  const auto declaring = [](std::uint32_t width, std::uint32_t height) {
    Bytes bytes = testsupport::testData("repro/heic-20-items-declared-64px.heic");
    const std::string_view tag = "ispe";
    const auto ispe = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end()) + 8;  // after version, flags
    for (int k = 0; k < 4; ++k) {
      ispe[k] = static_cast<std::uint8_t>(width >> (24 - 8 * k));
      ispe[4 + k] = static_cast<std::uint8_t>(height >> (24 - 8 * k));
    }
    return bytes;
  };
  const Bytes planar = testsupport::cmykAlpha16TIFF(true);
  // The identity over a grid, the grid made a JPEG 2000 item (no image to libheif, which
  // asserted on decoding it) and the first reference's size made larger than its box (which
  // libheif passes over); the second tile made an overlay, whose data (the tiles' coded
  // data) declares a canvas of 16000 x 16000 (libheif allocated it: 770 MB).
  const Bytes identityOverGrid = testsupport::testData("heic-identity-over-grid.heic");  // 256 x 192
  const auto at = [](Bytes& b, std::string_view tag, bool second = false) {
    const auto first = std::search(b.begin(), b.end(), tag.begin(), tag.end());
    return second ? std::search(first + 1, b.end(), tag.begin(), tag.end()) : first;
  };
  Bytes identityOverJPEG2000 = identityOverGrid, overlayTile = identityOverGrid;
  std::copy_n("j2k1", 4, at(identityOverJPEG2000, "grid"));
  *(at(identityOverJPEG2000, "dimg") - 4) = 0x7f;
  std::copy_n("iovl", 4, at(overlayTile, "hvc1", true));
  std::ranges::copy(Bytes{0x3e, 0x80, 0x3e, 0x80}, at(overlayTile, "mdat") + 14);
  const struct {
    const char* file;  // a test data file, or the name of the data given
    Bytes data;
    const char* reason;  // a part of the error text
    std::size_t decoders;  // the most HEVC decoders started
    std::uint64_t maxBytes = kMaxBytesToRefuse;
    double maxTimesReference = 0;  // the least processor time over that of the reference below; 0: not timed
    bool outOfMemory = false;        // with 128 MB of address space to spare, half the picture
  } cases[] = {
      // 9 x 7 declared, a 16000 x 16000 grid: refused by the grid's size, before libheif
      // allocates the grid (the check after decoding would say "decoded to").
      {"repro/heic-grid-16000.heic", {}, "HEIF grid of 16000 x 16000 is larger than the image's declared 9 x 7", 0},
      // Half of the alpha plane's coded data zeroed: libheif conceals it. Image and alpha
      // plane decoded once each.
      {"repro/heic-damaged-data-accepted.heic", {}, "damaged", 2},
      // Twenty items declaring 64 x 64, all coding one 8192 x 4320 picture: refused by the
      // first item's parameter sets, before any is decoded.
      {"repro/heic-20-items-declared-64px.heic", {},
       "HEVC item 1: coded picture of 8192 x 4320 is larger than its declared 64 x 64", 0},
      // Declaring 8192 x 64: as wide as coded, too short.
      {"twenty items declaring 8192 x 64", declaring(8192, 64),
       "HEVC item 1: coded picture of 8192 x 4320 is larger than its declared 8192 x 64", 0},
      // Declaring 8192 x 4320: each item as large as it says, 20 x 35 Mi pixels together.
      {"twenty items declaring 8192 x 4320", declaring(8192, 4320), "HEVC items code more than 201326592 pixels", 0},
      // A flat 8192 x 8192 image and its alpha plane: each decoded once (540 MB, of which
      // 512 MB are the picture and libheif's copy of it; more under the sanitizers).
      {"heic-flat-8192x8192.heic", {}, "no error", 2, 1'000'000'000},
      // A grid of one tile that lists its id 2000 times after 2000 other item locations, and
      // 4000 times: 0.2 and 0.4 times the reference below (each id walking the locations took
      // 0.09 s, some 25 times).
      {"repro/heic-2000-repeated-grid-ids.heic", {}, "no error", 1, kMaxBytesToRefuse, 3},
      {"4000 repeated grid ids", repeatedGridIds(2), "no error", 1, kMaxBytesToRefuse, 3},
      // A 1 x 1 PNG of 120 compressed texts of 8 MB, and of 240 (inflating and keeping them
      // took 2.3 s and 970 MB, and 4.6 s and 1.9 GB: 490 and 960 times the reference).
      {"repro/png-120-compressed-text-chunks.png", {}, "no error", 0, 32'000'000, 3},
      {"240 compressed text chunks", repeated(testsupport::testData("repro/png-120-compressed-text-chunks.png"), 33, 936643, 2),
       "no error", 0, 32'000'000, 3},
      // A 1 x 1 TIFF of one 16384 x 16384 tile (162 bytes): 600 MB held before the tile was read.
      {"tiff-tile-16384-for-1px.tif", {}, "strip or tile size", 0, 32'000'000},
      // 256 x 256 grey of 1 000 samples a pixel: 65.5 MB decoded in one strip, a row at a time
      // (zlib, not the whole strip at once through libdeflate): 18 times the reference.
      {"repro/tiff-grey-1000-samples-per-pixel.tif", {}, "no error", 0, 32'000'000, 60},
      // Scaled up: 63 GB to decode (15 s, 560 times the reference), refused before a strip is read.
      {"1024 x 1024 grey of 60000 samples a pixel", sharedStripTIFF(1024, 60000), "samples a pixel decodes", 0,
       32'000'000, 3},
      // 7999 identities each over the next (424 KB: libheif overflowed its stack after 1.8 GB),
      // 900 grids (a thread each, or std::system_error when they run out: 80 times the
      // reference), 10 000 hidden items (libheif's parse: 440 times): refused from the boxes.
      // An identity over a grid of 3 x 4 tiles loads, as libheif decodes it (below).
      {"repro/heic-identity-chain-8000.heic", {}, "8000 items, more than 4096", 0, kMaxBytesToRefuse, 3},
      {"repro/heic-grid-chain-900.heic", {}, "899 levels of items, more than 4", 0, 32'000'000, 3},
      {"repro/heic-10000-items.heic", {}, "10000 items, more than 4096", 0, kMaxBytesToRefuse, 3},
      {"heic-identity-over-grid.heic", {}, "no error", 12},
      {"identity over a JPEG 2000 item", identityOverJPEG2000, "derived from item 13, which is no image", 0},
      {"overlay tile", overlayTile, "HEIF overlay of 16000 x 16000 is larger than the image's declared 256 x 192", 0},
      // 8192 x 8192 CMYK and alpha, 16 bits, a plane a sample: 206 bytes held 940 MB of planes
      // and picture before their data was read (64 times the reference), a valid file as
      // much. Rows are converted as they come: the picture and a row of each plane. The same
      // pixels stored contiguous load the same (below).
      {"repro/tiff-cmyka16-planar-206-bytes.tif", {}, "damaged TIFF data", 0, 32'000'000, 3},
      {"CMYK and alpha in planes", planar, "no error", 0, 400'000'000},
      {"CMYK and alpha contiguous", testsupport::cmykAlpha16TIFF(false), "no error", 0, 400'000'000},
      // Out of memory: std::bad_alloc leaves the loader as the library's error.
      {"planes, out of memory", planar, "ImageReadWriteError.unableToDecodeImage: not enough memory", 0, 300'000'000, 0, true},
  };
  // The reference for processor times: a 1024 x 1024 PNG of noise (3 to 4 ms). Timed rows
  // take the least of five runs, alternated with the reference's, and bounds are 3 times
  // the reference or their row's figure, the faults they guard 25 to 1000 times.
  std::vector<std::uint8_t> noise(1024 * 1024 * 4);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(i * 2654435761u >> 13);
  const Bytes reference = imageio::encodeImageData(Image::make(1024, 1024, std::move(noise)), ImageExportType::png(1));
  std::map<std::string, std::string> answers;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
#ifdef __SANITIZE_ADDRESS__
    if (c.outOfMemory) continue;  // the sanitizer's allocator aborts rather than fail
#endif
    const Bytes data = c.data.empty() ? testsupport::testData(c.file) : c.data;
    const testsupport::ChildRun run = testsupport::runInChild([&] {
      if (c.outOfMemory) {
        std::ifstream statm("/proc/self/statm");
        rlim_t pages = 0;
        statm >> pages;
        const rlimit limit{pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (128 << 20), RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &limit);
      }
      const std::size_t before = testsupport::hevcDecodersStarted();
      return messageOf(data) + "; decoders: " + std::to_string(testsupport::hevcDecodersStarted() - before);
    });
    ASSERT_TRUE(run.finished);
    // Here, after the child: what the parent holds at the fork counts as the child's start.
    if (std::string_view(c.reason) != "no error" && !c.outOfMemory)
      expectError([&] { (void)imageio::loadImageFromData(data); }, ImageReadWriteError::unableToDecodeImage);
    answers[c.file] = run.answer.substr(0, run.answer.find(';'));
    EXPECT_NE(run.answer.find(c.reason), std::string::npos) << run.answer;
    EXPECT_LE(std::stoul(run.answer.substr(run.answer.find("decoders: ") + 10)), c.decoders) << run.answer;
    EXPECT_LT(run.peakBytes, c.maxBytes);
    if (c.maxTimesReference > 0) {  // apart, so that the runs' memory does not count
      const testsupport::ChildRun timed = testsupport::runInChild([&] {
        return std::to_string(testsupport::leastTimesReference([&] { (void)messageOf(data); }, [&] { (void)messageOf(reference); }));
      });
      ASSERT_TRUE(timed.finished);
      EXPECT_LT(std::stod(timed.answer), c.maxTimesReference);
    }
  }
  EXPECT_EQ(answers["CMYK and alpha in planes"], answers["CMYK and alpha contiguous"]);
  EXPECT_EQ(imageio::loadImageFromData(identityOverGrid), testsupport::decodeHEICFile(identityOverGrid).image);
}

TEST(ReaderBounds, ProgressiveJPEGScansAreLimited) {
  ASSERT_EQ(kMaxJPEGScans, 256u);
  const struct {
    int scans;
    bool accepted;
    int side = 16;
  } cases[] = {
      {64, true},    // one per coefficient
      {253, true},
      {256, true},   // the limit
      {257, false},  // one more
      {316, false},
      {129, false, 4096},  // 129 x 4096 x 4096 pixels, over 2^31
  };
  for (const auto& c : cases) {
    // Flat grey 200: its DC coefficient (72 x 8) is a multiple of the quantiser, so it
    // decodes exactly, whatever AC scans follow.
    const Bytes jpeg = testsupport::progressiveGreyJPEGOfScans(c.side, c.scans, [](int, int) { return std::uint8_t{200}; });
    SCOPED_TRACE("scans: " + std::to_string(c.scans));
    ASSERT_FALSE(jpeg.empty());
    if (c.accepted) {
      const Image image = imageio::loadImageFromData(jpeg);
      EXPECT_EQ(image.width(), 16);
      EXPECT_EQ(image.pixelAt(3, 5), (Image::RGBA{200, 200, 200, 255}));
    } else {
      expectError([&] { (void)imageio::loadImageFromData(jpeg); }, ImageReadWriteError::unableToDecodeImage);
      EXPECT_NE(messageOf(jpeg).find("scans"), std::string::npos) << messageOf(jpeg);
    }
  }
}

TEST(ReaderBounds, AssociatedAlphaNeverLeavesColourAboveAlpha) {
  // Files that say their alpha is premultiplied but hold white over less alpha.
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"TIFF, pixel FFFFFF00", testsupport::testData("repro/tiff-assoc-alpha-1x1.tif")},
      {"HEIC, white over alpha 0 and 128",
       testsupport::heicThroughLibheif(16, 16, [] {
         Bytes rgba(16 * 16 * 4, 255);
         for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = i / 4 % 16 < 8 ? 0 : 128;
         return rgba;
       }(), 90, true)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.data.empty());
    const Image image = imageio::loadImageFromData(c.data);
    EXPECT_EQ(image.pixelAt(0, 0), (Image::RGBA{0, 0, 0, 0}));
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const Image::RGBA p = image.pixelAt(x, y);
        ASSERT_TRUE(p.r <= p.a && p.g <= p.a && p.b <= p.a) << x << "," << y;
      }
  }
}

TEST(ReaderBounds, OneBudgetCoversEveryImageDecodedWhileItLives) {
  const Bytes png = imageio::encodeImageData(Image::filled(64, 48, {10, 20, 30, 255}), ImageExportType::png(1));  // 3072 px
  {
    ImagePixelBudget budget(7000);
    EXPECT_NO_THROW((void)imageio::loadImageFromData(png));
    EXPECT_NO_THROW((void)imageio::loadImageFromData(png));
    EXPECT_EQ(budget.remaining(), 7000u - 2 * 3072u);
    expectError([&] { (void)imageio::loadImageFromData(png); }, ImageReadWriteError::unableToDecodeImage);
    EXPECT_NE(messageOf(png).find("budget"), std::string::npos) << messageOf(png);
    {
      // An inner budget cannot hand out more than the outer one has left, and spends it.
      ImagePixelBudget inner(1u << 20);
      EXPECT_EQ(inner.remaining(), 7000u - 2 * 3072u);
    }
  }
  // Without a budget only the per-image limit applies.
  EXPECT_EQ(ImagePixelBudget::current(), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_NO_THROW((void)imageio::loadImageFromData(png));
  {
    ImagePixelBudget nested(10000);
    {
      ImagePixelBudget inner(4000);
      EXPECT_NO_THROW((void)imageio::loadImageFromData(png));
    }
    EXPECT_EQ(nested.remaining(), 10000u - 3072u);
  }
}

TEST(ReaderBounds, FailedDecodesSpendTheBudget) {
  const Bytes png = imageio::encodeImageData(Image::filled(64, 48, {10, 20, 30, 255}), ImageExportType::png(1));
  const Bytes jpeg = imageio::encodeImageData(Image::filled(64, 48, {10, 20, 30, 255}), ImageExportType::jpg(1));
  const Bytes gif = imageio::encodeImageData(Image::filled(64, 48, {10, 20, 30, 255}), ImageExportType::gif());
  // LZW strips with codes beyond the table.
  Bytes tiff = imageio::encodeImageData(Image::filled(64, 48, {10, 20, 30, 255}), ImageExportType::tiff(1, 0.5));
  std::fill(tiff.begin() + 40, tiff.begin() + 80, 0xFF);
  const struct {
    const char* name;
    Bytes data;
    std::size_t declaredPixels;
  } cases[] = {
      // The header says 8192 x 8192; almost no data follows.
      {"repro/png-truncated-8192x8192.png", testsupport::testData("repro/png-truncated-8192x8192.png"), 8192u * 8192u},
      {"PNG cut in its data", Bytes(png.begin(), png.end() - 30), 64 * 48},
      {"JPEG cut in its data", Bytes(jpeg.begin(), jpeg.end() - 30), 64 * 48},
      {"GIF cut in its data", Bytes(gif.begin(), gif.end() - 10), 64 * 48},
      {"TIFF of damaged strips", tiff, 64 * 48},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImagePixelBudget budget;
    expectError([&] { (void)imageio::loadImageFromData(c.data); }, ImageReadWriteError::unableToDecodeImage);
    EXPECT_EQ(budget.remaining(), budget.total() - c.declaredPixels);
  }
  // A document of seven such images: the first fails to decode and spends the whole
  // budget, so the others are refused before anything is allocated.
  const testsupport::ChildRun run = testsupport::runInChild([&] {
    ImagePixelBudget budget;
    std::string messages;
    for (int i = 0; i < 7; ++i) messages += messageOf(cases[0].data) + "\n";
    return messages;
  });
  ASSERT_TRUE(run.finished);
  // About 6 MB; the first image's 256 MB of pixels are never allocated.
  EXPECT_LT(run.peakBytes, 32u * 1000u * 1000u);
  std::istringstream lines(run.answer);
  std::string line;
  for (int i = 0; std::getline(lines, line); ++i) {
    SCOPED_TRACE(line);
    EXPECT_EQ(line.find("budget") != std::string::npos, i > 0);
  }
}
