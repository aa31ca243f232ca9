// The loader's bounds against hostile files: HEIC grids larger than they say, damaged HEIC
// data, progressive JPEG files of many scans, associated alpha above the colour, and one
// pixel budget across several images.

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <string>
#include <vector>

#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/JPEGRead.hpp"
#include "support/Expect.hpp"
#include "support/TestData.hpp"

namespace {

using foundation::Bytes;
using gfx::Image;
using testsupport::expectError;

struct Errors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};
void errorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1); }

// A grey progressive JPEG whose scan script sends the DC coefficient in one scan and every
// AC coefficient on its own, first shifted down by `shift` bits and then refined one bit a
// scan: 1 + 63 x (shift + 1) scans, each of them valid.
Bytes progressiveJPEG(int size, int shift) {
  std::vector<jpeg_scan_info> script;
  script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
  for (int k = 1; k < 64; ++k) {
    script.push_back({1, {0, 0, 0, 0}, k, k, 0, shift});
    for (int bit = shift; bit > 0; --bit) script.push_back({1, {0, 0, 0, 0}, k, k, bit, bit - 1});
  }
  jpeg_compress_struct cinfo;
  Errors errors;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = errorExit;
  unsigned char* out = nullptr;
  unsigned long length = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    ADD_FAILURE() << "libjpeg refused the scan script";
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &length);
  cinfo.image_width = cinfo.image_height = static_cast<JDIMENSION>(size);
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  cinfo.scan_info = script.data();
  cinfo.num_scans = static_cast<int>(script.size());
  jpeg_start_compress(&cinfo, TRUE);
  // Flat grey 200: its DC coefficient (72 x 8) is a multiple of the quantiser, so it
  // decodes exactly.
  std::vector<std::uint8_t> row(static_cast<std::size_t>(size), 200);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(out, out + length);
  std::free(out);
  return bytes;
}

std::string messageOf(const Bytes& data) {
  try {
    (void)loadImageFromData(data);
  } catch (const foundation::Error& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(ReaderBounds, HostileHEICFilesAreRefused) {
  const struct {
    const char* file;
    const char* reason;  // a word of the error text
  } cases[] = {
      // 9 x 7 declared, a 16000 x 16000 grid: refused before libheif allocates the grid.
      {"repro/heic-grid-16000.heic", "16000 x 16000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes data = testsupport::testData(c.file);
    expectError([&] { (void)loadImageFromData(data); }, ImageReadWriteError::unableToDecodeImage);
    EXPECT_NE(messageOf(data).find(c.reason), std::string::npos) << messageOf(data);
  }
}

TEST(ReaderBounds, ProgressiveJPEGScansAreLimited) {
  const struct {
    int shift;
    bool accepted;
  } cases[] = {
      {0, true},   // 64 scans: one per coefficient
      {3, true},   // 253 scans
      {4, false},  // 316 scans: over the limit of 256
  };
  for (const auto& c : cases) {
    const Bytes jpeg = progressiveJPEG(16, c.shift);
    SCOPED_TRACE("scans: " + std::to_string(1 + 63 * (c.shift + 1)));
    ASSERT_FALSE(jpeg.empty());
    if (c.accepted) {
      const Image image = loadImageFromData(jpeg);
      EXPECT_EQ(image.width(), 16);
      EXPECT_EQ(image.pixelAt(3, 5), (Image::RGBA{200, 200, 200, 255}));
    } else {
      expectError([&] { (void)loadImageFromData(jpeg); }, ImageReadWriteError::unableToDecodeImage);
      EXPECT_NE(messageOf(jpeg).find("scans"), std::string::npos) << messageOf(jpeg);
    }
  }
  EXPECT_EQ(kMaxJPEGScans, 256u);
}

TEST(ReaderBounds, AssociatedAlphaNeverLeavesColourAboveAlpha) {
  // The file says associated alpha and holds FFFFFF00: white "over" nothing.
  const Image image = loadImageFromData(testsupport::testData("repro/tiff-assoc-alpha-1x1.tif"));
  ASSERT_EQ(image.width(), 1);
  EXPECT_EQ(image.pixelAt(0, 0), (Image::RGBA{0, 0, 0, 0}));
}

TEST(ReaderBounds, OneBudgetCoversEveryImageDecodedWhileItLives) {
  const Bytes png = encodeImageData(Image::filled(64, 48, {10, 20, 30, 255}), ImageExportType::png(1));  // 3072 px
  {
    ImagePixelBudget budget(7000);
    EXPECT_NO_THROW((void)loadImageFromData(png));
    EXPECT_NO_THROW((void)loadImageFromData(png));
    EXPECT_EQ(budget.remaining(), 7000u - 2 * 3072u);
    expectError([&] { (void)loadImageFromData(png); }, ImageReadWriteError::unableToDecodeImage);
    EXPECT_NE(messageOf(png).find("budget"), std::string::npos) << messageOf(png);
    {
      // An inner budget cannot hand out more than the outer one has left, and spends it.
      ImagePixelBudget inner(1u << 20);
      EXPECT_EQ(inner.remaining(), 7000u - 2 * 3072u);
    }
  }
  // Without a budget only the per-image limit applies.
  EXPECT_EQ(ImagePixelBudget::current(), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_NO_THROW((void)loadImageFromData(png));
  {
    ImagePixelBudget nested(10000);
    {
      ImagePixelBudget inner(4000);
      EXPECT_NO_THROW((void)loadImageFromData(png));
    }
    EXPECT_EQ(nested.remaining(), 10000u - 3072u);
  }
}
