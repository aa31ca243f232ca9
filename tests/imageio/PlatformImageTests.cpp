// Platform images: the point size at a resolution, loading, encoding without a bitmap,
// the archive wrapper, the CoreImage stand-in and the view-image value.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "imageio/CoreImage.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageRepresentation.hpp"
#include "imageio/PlatformImageCodable.hpp"
#include "imageio/ViewImage.hpp"
#include "platform/foundation/Text.hpp"
#include "support/Expect.hpp"
#include "support/HEICFiles.hpp"
#include "support/JPEGFiles.hpp"

namespace {

using gfx::Image;
using testsupport::expectError;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// width x height opaque pixels whose colour follows the position, so that any change of
// size, order or value shows.
Image picture(int width, int height) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* d = px.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      d[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      d[1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
      d[2] = static_cast<std::uint8_t>((x + y) % 256);
      d[3] = 255;
    }
  return Image::make(width, height, std::move(px));
}

// A folder of the test's own, removed afterwards.
struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "platform-image-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    if (!path.empty()) std::filesystem::remove_all(path, error);
  }
};

// --- point sizes ----------------------------------------------------------------------------

TEST(PlatformImage, PointSizeIsThePixelSizeOverTheScale) {
  struct Row {
    const char* name;
    ImageResolution resolution;
    gfx::Size points;
  };
  const Row rows[] = {
      {"144 dpi", ImageResolution::dpi(144), {150, 150}},
      {"scale 3", ImageResolution::scale(3), {100, 100}},
      {"72 dpi", ImageResolution::dpi(72), {300, 300}},
      {"scale 0.5", ImageResolution::scale(0.5), {600, 600}},
  };
  const ImageRepresentation bitmap(picture(300, 300));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const PlatformImage image = bitmap.platformImage(row.resolution);
    EXPECT_DOUBLE_EQ(image.size.width, row.points.width);
    EXPECT_DOUBLE_EQ(image.size.height, row.points.height);
    EXPECT_TRUE(image.cgImage.sharesPixelsWith(bitmap.owner()));
  }
  EXPECT_EQ(bitmap.size(), (gfx::Size{300.0, 300.0}));
  for (double bad : {0.0, -72.0, kNaN, kInf}) {
    expectError([&] { (void)bitmap.platformImage(ImageResolution::dpi(bad)); }, ImageReadWriteError::invalidDPI);
    expectError([&] { (void)bitmap.platformImage(ImageResolution::scale(bad)); }, ImageReadWriteError::invalidDPI);
  }
}

TEST(PlatformImage, WithoutABitmapEveryEncodingIsCannotCreateCGImage) {
  const PlatformImage::ImageRepresentation empty(PlatformImage{Image(), {10, 10}});
  EXPECT_FALSE(empty.cgImage().has_value());
  const std::function<void()> encodings[] = {
      [&] { (void)empty.png(ImageResolution::dpi(72)); },
      [&] { (void)empty.jpg(ImageResolution::scale(1), 0.5); },
      [&] { (void)empty.tiff(ImageResolution::scale(1)); },
      [&] { (void)empty.heic(ImageResolution::scale(1)); },
      [&] { (void)empty.gif(); },
      [&] { (void)empty.pdf({10, 10}); },
      [&] { (void)empty.svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(1)); },
      [&] { (void)empty.imageData("public.png", 1); },
      [&] { (void)imageio::encodeNSImageData(empty.owner(), ImageExportType::gif()); },
  };
  for (const auto& encode : encodings) expectError(encode, ImageReadWriteError::cannotCreateCGImage);
}

// --- loading ----------------------------------------------------------------------------------

TEST(PlatformImage, LoadingGivesThePointSizeOfTheFilesResolutionAndTheBitmapLoadersErrors) {
  TempFolder folder;
  ASSERT_FALSE(folder.path.empty());
  const Image source = picture(300, 300);
  // pHYs holds whole pixels per metre: 144 dpi is recorded as 5669 per metre.
  auto pngPoints = [](double dpi) { return 300 * 72 / (std::round(dpi / 0.0254) * 0.0254); };
  // JFIF after the start of image: FF E0, length, "JFIF\0", version, unit (2: per cm), x and y density.
  foundation::Bytes jfifPerCentimetre = imageio::encodeImageData(source, ImageExportType::jpg(1, 0.9));
  EXPECT_EQ(std::string(jfifPerCentimetre.begin() + 6, jfifPerCentimetre.begin() + 10), "JFIF");
  const std::uint8_t perCentimetre[] = {2, 0, 59, 0, 59};
  std::copy(std::begin(perCentimetre), std::end(perCentimetre), jfifPerCentimetre.begin() + 13);
  // Written by libjpeg: grey with a JFIF header of no unit (made 144 by 288 dpi here), CMYK without one.
  using testsupport::exifBlock;
  const auto jpeg = [](int components, const foundation::Bytes& exif) {
    return testsupport::writeRawJPEG(300, 300, components, std::vector<std::uint8_t>(300 * 300 * components, 99), exif);
  };
  foundation::Bytes jfif144By288 = jpeg(1, exifBlock(6));
  std::copy_n(std::begin({1, 0, 144, 1, 32}), 5, jfif144By288.begin() + 13);
  struct Row {
    const char* name;
    foundation::Bytes data;
    gfx::Size points;
    double tolerance;
  };
  // Our TIFF with a short tag's value changed: resolution unit (296) 3 is centimetres, and 144
  // a centimetre is 365.76 dpi; orientation (274) 6 turns it a quarter, across and down swap.
  auto tiffWithTag = [](foundation::Bytes tiff, std::uint16_t changed, std::uint8_t value) {
    std::uint32_t ifd = 0;
    std::uint16_t count = 0, tag = 0;
    std::memcpy(&ifd, &tiff[4], 4);  // libtiff writes the host's byte order
    std::memcpy(&count, &tiff[ifd], 2);
    for (std::uint32_t entry = ifd + 2; entry < ifd + 2 + 12u * count; entry += 12)
      if (std::memcpy(&tag, &tiff[entry], 2), tag == changed) tiff[entry + 8] = value, tiff[entry + 9] = 0;
    return tiff;
  };
  const Row rows[] = {
      {"tiff at 144 dots a centimetre", tiffWithTag(imageio::encodeImageData(source, ImageExportType::tiff(2)), 296, 3),
       {300 * 72 / 365.76, 300 * 72 / 365.76}, 1e-4},
      {"tiff at 144 by 288 dpi, turned a quarter",
       tiffWithTag(imageio::encodeImageData(source, ImageExportType::tiff(2), {{"DPIHeight", 288.0}}), 274, 6), {75, 150}, 0},
      {"png at 144 dpi", imageio::encodeImageData(source, ImageExportType::png(2)), {pngPoints(144), pngPoints(144)}, 1e-9},
      {"png at 72 dpi", imageio::encodeImageData(source, ImageExportType::png(1)), {pngPoints(72), pngPoints(72)}, 1e-9},
      {"jpeg at 144 dpi", imageio::encodeImageData(source, ImageExportType::jpg(2, 0.9)), {150, 150}, 0},
      {"tiff at 144 by 288 dpi",
       imageio::encodeImageData(source, ImageExportType::tiff(2), {{"DPIHeight", 288.0}}), {150, 75}, 0},
      {"gif, which records none: 72 dpi", imageio::encodeImageData(source, ImageExportType::gif()), {300, 300}, 0},
      {"heic at 144 dpi, in its Exif", imageio::encodeImageData(source, ImageExportType::heic(2, 0.5)), {150, 150}, 1e-9},
      {"jpeg at 59 dots per centimetre", jfifPerCentimetre, {300 * 72 / (59 * 2.54), 300 * 72 / (59 * 2.54)}, 1e-9},
      // The densities of the JFIF header, else of the Exif, turned with the Exif orientation.
      {"jpeg at 144 by 288 dpi, turned a quarter", jfif144By288, {75, 150}, 0},
      {"jpeg without JFIF, Exif at 144 by 288 dpi, turned a quarter", jpeg(4, exifBlock(6, 144, 288)), {75, 150}, 0},
      {"jpeg of a JFIF without unit, Exif at 59 by 118 dots a centimetre", jpeg(1, exifBlock(0, 59, 118, 3)),
       {300 * 72 / (59 * 2.54), 300 * 72 / (118 * 2.54)}, 1e-9},
      {"heic of Exif at 59 by 118 dots a centimetre after \"Exif\\0\\0\"",
       testsupport::heicThroughLibheif(300, 300, foundation::Bytes(300 * 300 * 4, 128), 50, false, exifBlock(0, 59, 118, 3)),
       {300 * 72 / (59 * 2.54), 300 * 72 / (118 * 2.54)}, 1e-9},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    {
      std::ofstream out(folder.path / "logo.img", std::ios::binary);
      out.write(reinterpret_cast<const char*>(row.data.data()), static_cast<std::streamsize>(row.data.size()));
    }
    const PlatformImage loaded[] = {imageio::loadPlatformImageFromData(row.data),
                                    imageio::loadPlatformImageFromFile(folder.path / "logo.img"),
                                    imageio::loadPlatformImageNamed("logo.img", folder.path)};
    for (const PlatformImage& image : loaded) {
      EXPECT_EQ(image.cgImage.width(), 300);
      EXPECT_NEAR(image.size.width, row.points.width, row.tolerance);
      EXPECT_NEAR(image.size.height, row.points.height, row.tolerance);
    }
    // The archive wrapper reads data written elsewhere at the same point size.
    const gfx::Size archived =
        PlatformImageCodable::decode(foundation::Settings(foundation::base64Encode(row.data))).image().size;
    EXPECT_NEAR(archived.width, row.points.width, row.tolerance);
    EXPECT_NEAR(archived.height, row.points.height, row.tolerance);
  }
  expectError([&] { (void)imageio::loadPlatformImageFromData(foundation::bytesOf("no image")); },
              ImageReadWriteError::unableToDecodeImage);
  expectError([&] { (void)imageio::loadPlatformImageFromFile(folder.path / "missing.png"); },
              ImageReadWriteError::unableToDecodeImage);
  try {
    (void)imageio::loadPlatformImageNamed("missing", folder.path);
    ADD_FAILURE() << "no error";
  } catch (const foundation::Error& e) {
    EXPECT_TRUE(e.is(ImageReadWriteError::cannotLoadImageNamed));
    EXPECT_EQ(e.text(), "missing");
  }
}

// --- archive wrapper --------------------------------------------------------------------------

TEST(PlatformImageCodable, RoundTripKeepsPixelsAndPointSize) {
  struct Row {
    int width, height;
    gfx::Size points;
  };
  const Row rows[] = {{300, 300, {150, 150}}, {300, 200, {100, 77.7}}, {7, 5, {7, 5}}, {64, 64, {1.0 / 3, 1e5}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
    const PlatformImage image{picture(row.width, row.height), row.points};
    const foundation::Settings value = PlatformImageCodable(image).encode();
    const auto json = foundation::writeJSON(foundation::Settings{{"image", value}});
    ASSERT_TRUE(json.has_value());
    const auto read = foundation::readJSON(*json);
    ASSERT_TRUE(read.has_value());
    const PlatformImage back = PlatformImageCodable::decode((*read)["image"]).image();
    EXPECT_EQ(back.cgImage, image.cgImage);
    EXPECT_EQ(back.size, image.size);
  }
}

TEST(PlatformImageCodable, NotDataOrNoImageIsInvalidData) {
  const foundation::Settings bad[] = {
      foundation::Settings(12),
      foundation::Settings::object(),
      foundation::Settings(nullptr),
      foundation::Settings("not base64!"),
      foundation::Settings(foundation::base64Encode(foundation::bytesOf("hello, world"))),
  };
  for (const auto& value : bad)
    expectError([&] { (void)PlatformImageCodable::decode(value); }, PlatformImageCodable::ImageCodingError::InvalidData,
                value.dump());
  // Image data archived elsewhere reads as an image at 72 dpi.
  const Image source = picture(20, 10);
  const foundation::Settings jpeg(foundation::base64Encode(imageio::encodeImageData(source, ImageExportType::jpg(1, 1.0))));
  EXPECT_EQ(PlatformImageCodable::decode(jpeg).image().size, (gfx::Size{20, 10}));
}

TEST(PlatformImageCodable, AnImageWithoutAUsablePointSizeCannotBeArchived) {
  const Image source = picture(20, 10);
  for (const gfx::Size points : {gfx::Size{0, 10}, gfx::Size{10, kNaN}, gfx::Size{-1, 10}, gfx::Size{kInf, 10}})
    expectError([&] { (void)PlatformImageCodable(PlatformImage{source, points}).encode(); },
                ImageReadWriteError::invalidDPI);
  // Without pixels there is no PNG to write.
  expectError([&] { (void)PlatformImageCodable(PlatformImage{Image(), {10, 10}}).encode(); },
              ImageReadWriteError::cannotCreateImageOfType);
}

// --- CoreImage stand-in and view image --------------------------------------------------------

TEST(CoreImage, ConversionsKeepSizesAndAnswerNoneWhenTheyCannot) {
  const Image source = picture(60, 40);
  const CoreImage image(source);
  EXPECT_EQ(image.extent(), gfx::Rect(0, 0, 60, 40));
  ASSERT_TRUE(image.cgImage().has_value());
  EXPECT_EQ(*image.cgImage(), source);

  const auto plain = image.platformImage();
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->cgImage, source);
  EXPECT_EQ(plain->size, (gfx::Size{60, 40}));
  const auto resized = image.platformImage(gfx::Size{30, 20}, gfx::Size{15, 10});
  ASSERT_TRUE(resized.has_value());
  EXPECT_EQ(resized->cgImage.width(), 30);
  EXPECT_EQ(resized->cgImage.height(), 20);
  EXPECT_EQ(resized->size, (gfx::Size{15, 10}));
  for (const gfx::Size pixels : {gfx::Size{30.5, 20}, gfx::Size{kNaN, 20}, gfx::Size{1e19, 20}, gfx::Size{0, 20},
                                 gfx::Size{40000, 20}})
    EXPECT_FALSE(image.platformImage(pixels).has_value()) << pixels.width;
  for (const gfx::Size points : {gfx::Size{kNaN, 20}, gfx::Size{-1, 20}, gfx::Size{kInf, 20}})
    EXPECT_FALSE(image.platformImage(std::nullopt, points).has_value()) << points.width;

  const auto fromPlatform = CoreImage::fromPlatformImage(PlatformImage{source, {30, 20}});
  ASSERT_TRUE(fromPlatform.has_value());
  EXPECT_EQ(fromPlatform->extent(), gfx::Rect(0, 0, 60, 40));
  EXPECT_FALSE(CoreImage::fromPlatformImage(PlatformImage{Image(), {30, 20}}).has_value());
  EXPECT_FALSE(CoreImage(Image()).cgImage().has_value());
}

TEST(ViewImage, HoldsTheBitmapAtItsScaleUprightWithItsLabel) {
  const Image source = picture(30, 30);
  const ViewImage image(source, 2, "QR code");
  EXPECT_EQ(image.cgImage, source);
  EXPECT_EQ(image.scale, 2);
  EXPECT_EQ(image.orientation, ViewImage::Orientation::up);
  EXPECT_EQ(image.label, "QR code");
  for (double bad : {0.0, -1.0, kNaN, kInf, 1e-320})
    expectError([&] { (void)ViewImage(source, bad, "x"); }, ImageReadWriteError::invalidDPI);
}

}  // namespace
