// The worst inputs the readers accept, at each bound, and how long they take: pixels per
// image and per document, the widest TIFF pixels, progressive JPEG scans, HEVC items of a HEIC file, failed
// decodes under a document's budget, gradient pins, logo path elements, finder-like
// shapes in a picture searched for codes, a video frame read for a thumbnail, and a
// document with every bound at its limit at once. Each reports, beside the time, the peak memory
// (counter peak_MB) and the time (child_s) of one run in a child process of its own.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/core/QRCodeDetection.hpp"
#include "QRCode/core/QRCodeDetectionImage.hpp"
#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleImage.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "imageio/JPEGRead.hpp"
#include "app/engine/AerialManager.hpp"
#include "support/ChildRun.hpp"
#include "support/HEVCDecodes.hpp"
#include "support/JPEGFiles.hpp"
#include "support/TestData.hpp"
#include "support/TIFFFiles.hpp"

namespace {

// Runs the work once in a child process and reports its peak memory and time.
void measureOnce(benchmark::State& state, const std::function<void()>& work) {
  const testsupport::ChildRun run = testsupport::runInChild([&] {
    work();
    return std::string();
  });
  state.counters["peak_MB"] = static_cast<double>(run.peakBytes) / 1e6;
  state.counters["child_s"] = run.seconds;
  if (!run.finished) state.SkipWithError("the run in a child process failed");
}

// Runs the work, which is expected to fail with an error.
template <class F>
void refused(F&& work) {
  try {
    work();
  } catch (const foundation::Error&) {
    return;
  }
  std::abort();
}

// A 35-byte GIF whose screen is 32767 x 2048 (67 106 816 pixels, just under the
// per-image limit of 64 Mi pixels): the largest image a tiny file makes.
foundation::Bytes largestGIF() {
  return {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0x7F, 0x00, 0x08, 0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,
          0,   0x2C, 0,   0,   0,   0,   1,    0,    1,    0,    0,    2, 2, 0x44, 1,    0,    0x3B};
}

void BM_LargestImage(benchmark::State& state) {
  const foundation::Bytes gif = largestGIF();
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(gif));
  state.SetLabel("32767 x 2048 GIF, limit " + std::to_string(kDefaultMaxImagePixels) + " pixels");
}
BENCHMARK(BM_LargestImage)->Unit(benchmark::kMillisecond)->Iterations(3);

// An archive carrying the largest image seven times (five image fills, the logo and its
// mask): the document's budget admits one of them.
void BM_ArchiveOfSevenLargestImages(benchmark::State& state) {
  const std::string image = foundation::base64Encode(largestGIF());
  const foundation::Settings fill = {{"type", "image"}, {"settings", {{"imagePNGbase64", image}}}};
  foundation::Settings logo = QRCodeLogoTemplate(gfx::Image::filled(2, 2), std::nullopt, true).settings();
  logo["image"] = image;
  logo["maskImage"] = image;
  const foundation::Settings style = {{"onPixels", fill}, {"offPixels", fill}, {"eye", fill}, {"pupil", fill},
                                      {"background", fill}};
  const foundation::Settings archive = {
      {"text", "budget"}, {"design", {{"style", style}}}, {"logoTemplate", logo}};
  const auto engine = std::make_shared<QRCodeEngineExternal>();
  for (auto _ : state) benchmark::DoNotOptimize(QRCodeDocument::CreateWithSettings(archive, engine));
  state.SetLabel("budget " + std::to_string(ImagePixelBudget::kDocumentPixels) + " pixels per document");
}
BENCHMARK(BM_ArchiveOfSevenLargestImages)->Unit(benchmark::kMillisecond)->Iterations(3);

// A grey 4096 x 4096 progressive JPEG of 127 scans (the DC, then every AC coefficient
// alone, shifted by a bit and refined): 127 x 16 Mi pixels, just under the limit of 2^31
// pixels over all scans.
foundation::Bytes mostScansJPEG() {
  return testsupport::progressiveGreyJPEG(4096, 1, [](int x, int y) { return static_cast<std::uint8_t>((x ^ y) * 7); });
}

void BM_MostScansJPEG(benchmark::State& state) {
  const foundation::Bytes jpeg = mostScansJPEG();
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(jpeg));
  state.SetLabel("127 scans of 4096 x 4096; limits " + std::to_string(kMaxJPEGScans) + " scans, " +
                 std::to_string(kMaxJPEGScanPixels) + " pixels over all scans");
}
BENCHMARK(BM_MostScansJPEG)->Unit(benchmark::kMillisecond)->Iterations(3);

const QRCode& version40() {
  static const QRCode code(std::string(2900, 'a'), QRCode::ErrorCorrection::low, std::make_shared<QRCodeEngineExternal>());
  return code;
}

// A design whose on-pixels are a gradient of the most pins, read from its string, drawn as
// a 200-pixel bitmap and as SVG.
void BM_GradientOfMostPins(benchmark::State& state) {
  std::string text;
  // Appended piece by piece: g++ 12's -Wrestrict misreads `"..." + std::string` at -O2.
  for (std::size_t i = 0; i < KvelGradient::maxPins; ++i) {
    if (i) text += '|';
    text += std::to_string(static_cast<double>(i) / (KvelGradient::maxPins - 1));
    text += i % 2 ? ":1,0,0,1" : ":0,0,1,1";
  }
  const foundation::Settings settings = {
      {"style", {{"onPixels", {{"type", "lineargradient"}, {"settings", {{"gradient", text}}}}}}}};
  for (auto _ : state) {
    const auto design = QRCodeDesign::CreateWithSettings(settings);
    benchmark::DoNotOptimize(qrrender::cgImageWithDimension(version40(), 200, *design, nullptr));
    benchmark::DoNotOptimize(qrrender::svg(version40(), 200, *design, nullptr));
  }
  state.SetLabel(std::to_string(KvelGradient::maxPins) + " pins");
}
BENCHMARK(BM_GradientOfMostPins)->Unit(benchmark::kMillisecond);

// The mask of a logo path of the most elements, a zigzag over the whole symbol, on a
// version-40 matrix (177 modules): every module centre is tested against every element.
void BM_LogoPathOfMostElements(benchmark::State& state) {
  const std::size_t n = QRCodeLogoTemplate::maxPathElements;
  gfx::Path path;
  path.moveTo({0, 0});
  for (std::size_t i = 2; i < n; ++i)
    path.lineTo({static_cast<double>(i % 2), static_cast<double>(i) / static_cast<double>(n)});
  path.close();
  foundation::Settings settings = QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::filled(2, 2), 0)->settings();
  settings["relativeMaskPath"] = foundation::base64Encode(CGPathCodable::encodePath(path));
  const auto matrix = version40().boolMatrix();
  for (auto _ : state) {
    const auto logo = QRCodeLogoTemplate::CreateWithSettings(settings);
    benchmark::DoNotOptimize(logo->applyingMask(matrix, 177));  // made
    benchmark::DoNotOptimize(logo->applyingMask(matrix, 177));  // remembered
  }
  state.SetLabel(std::to_string(n) + " elements, 177 x 177 modules");
}
BENCHMARK(BM_LogoPathOfMostElements)->Unit(benchmark::kMillisecond);

}  // namespace

// A HEIC file of five HEVC items that all code one 8192 x 4320 picture in one shared
// extent and declare that size: 5 x 35 Mi pixels, the most the items of one file may code
// (three images of the limit); a sixth item would be refused. Made from the twenty-item
// file of the tests by declaring the coded size and giving the other items another type.
foundation::Bytes mostCodedHEIC() {
  foundation::Bytes bytes = testsupport::testData("repro/heic-20-items-declared-64px.heic");
  auto find = [&](std::string_view what, std::size_t from) {
    const auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), what.begin(), what.end());
    return static_cast<std::size_t>(at - bytes.begin());
  };
  const std::size_t ispe = find("ispe", 0);
  const std::uint8_t size[8] = {0, 0, 0x20, 0, 0, 0, 0x10, 0xE0};  // 8192, 4320
  std::copy(size, size + 8, bytes.begin() + static_cast<std::ptrdiff_t>(ispe + 8));
  std::size_t at = 0;
  for (int item = 1; (at = find("hvc1", at + 1)) < bytes.size(); ++item)
    if (item > 5) std::copy_n("mime", 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

void BM_HEICItemsAtTheirBound(benchmark::State& state) {
  const foundation::Bytes heic = mostCodedHEIC();
  measureOnce(state, [&] { benchmark::DoNotOptimize(imageio::loadImageFromData(heic)); });
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(heic));
  state.SetLabel("5 HEVC items of 8192 x 4320, one image of 8192 x 4320");
}
BENCHMARK(BM_HEICItemsAtTheirBound)->Unit(benchmark::kMillisecond)->Iterations(2);

// Twenty items declaring 64 x 64 that code 8192 x 4320: refused by the first item's
// parameter sets.
void BM_HEICItemsLargerThanDeclared(benchmark::State& state) {
  const foundation::Bytes heic = testsupport::testData("repro/heic-20-items-declared-64px.heic");
  measureOnce(state, [&] { refused([&] { (void)imageio::loadImageFromData(heic); }); });
  for (auto _ : state) refused([&] { (void)imageio::loadImageFromData(heic); });
  state.SetLabel("refused");
}
BENCHMARK(BM_HEICItemsLargerThanDeclared)->Unit(benchmark::kMillisecond);

// Files whose tables or chunks repeat what the picture needs once, or not at all: a HEIC
// grid of one tile that lists its id 2000 times after 2000 other item locations, and a
// 1 x 1 PNG of 120 compressed text chunks of 8 MB each.
void BM_RepeatedEntriesOfSmallFiles(benchmark::State& state) {
  const char* const files[] = {"repro/heic-2000-repeated-grid-ids.heic", "repro/png-120-compressed-text-chunks.png"};
  const foundation::Bytes data = testsupport::testData(files[state.range(0)]);
  measureOnce(state, [&] { benchmark::DoNotOptimize(imageio::loadImageFromData(data)); });
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(data));
  state.SetLabel(files[state.range(0)]);
}
BENCHMARK(BM_RepeatedEntriesOfSmallFiles)->Unit(benchmark::kMillisecond)->DenseRange(0, 1);

// A flat grey 8192 x 8192 HEIC of 55 KB (an image and its alpha plane, as the HEIC export
// writes them): the most pixels a small file makes the decoder produce. decodes_per_item
// counts the HEVC decoders started for the load (in the child) over the file's two items.
void BM_FlatHEICAtThePixelLimit(benchmark::State& state) {
  const foundation::Bytes heic = testsupport::testData("heic-flat-8192x8192.heic");
  const testsupport::ChildRun run = testsupport::runInChild([&] {
    const std::size_t before = testsupport::hevcDecodersStarted();
    benchmark::DoNotOptimize(imageio::loadImageFromData(heic));
    return std::to_string(testsupport::hevcDecodersStarted() - before);
  });
  state.counters["peak_MB"] = static_cast<double>(run.peakBytes) / 1e6;
  state.counters["child_s"] = run.seconds;
  state.counters["decodes_per_item"] = run.finished ? std::stod(run.answer) / 2 : 0;
  if (!run.finished) state.SkipWithError("the run in a child process failed");
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(heic));
  state.SetLabel("8192 x 8192, " + std::to_string(heic.size()) + " bytes, 2 HEVC items");
}
BENCHMARK(BM_FlatHEICAtThePixelLimit)->Unit(benchmark::kMillisecond)->Iterations(2);

// An 8192 x 8192 TIFF of CMYK and alpha, 16 bits a sample, in one strip a plane (arg 1) or
// contiguous in strips of 16 rows (arg 0): the widest pixels at the pixel limit. Samples
// are converted a row at a time, so that either costs the picture (256 MB) and no plane.
void BM_CMYKAlphaTIFFAtThePixelLimit(benchmark::State& state) {
  const foundation::Bytes tiff = testsupport::cmykAlpha16TIFF(state.range(0) != 0);
  const testsupport::ChildRun run = testsupport::runInChild([&] {
    benchmark::DoNotOptimize(imageio::loadImageFromData(tiff));
    return std::string();
  });
  state.counters["peak_MB"] = static_cast<double>(run.peakBytes) / 1e6;
  state.counters["child_s"] = run.seconds;
  if (!run.finished) state.SkipWithError("the run in a child process failed");
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(tiff));
  state.SetLabel(std::string(state.range(0) ? "planes, " : "contiguous, ") + std::to_string(tiff.size()) + " bytes");
}
BENCHMARK(BM_CMYKAlphaTIFFAtThePixelLimit)->ArgNames({"planar"})->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(2);

// A document of seven images (five fills, the logo image and its mask), each a 143-byte
// PNG whose header says 8192 x 8192: the first spends the budget, the rest are refused.
void BM_ArchiveOfSevenTruncatedImages(benchmark::State& state) {
  const foundation::Bytes json = testsupport::testData("repro/archive-truncated-png-fills.json");
  const auto engine = std::make_shared<QRCodeEngineExternal>();
  measureOnce(state, [&] { benchmark::DoNotOptimize(QRCodeDocument::CreateWithJsonData(json, engine)); });
  for (auto _ : state) benchmark::DoNotOptimize(QRCodeDocument::CreateWithJsonData(json, engine));
}
BENCHMARK(BM_ArchiveOfSevenTruncatedImages)->Unit(benchmark::kMillisecond);

// Three 8192 x 8192 image fills made in code (no budget applies), exported as a 256 px
// PDF: each picture is embedded once, reduced to what the page shows.
void BM_ThreeLargestFillsAsPDF(benchmark::State& state) {
  const auto document =
      std::make_shared<QRCodeDocument>("hello", QRCode::ErrorCorrection::low, std::make_shared<QRCodeEngineExternal>());
  QRCodeStyle& style = *document->design()->style();
  style.setOnPixels(QRCodeFillStyleImage::make(gfx::Image::filled(8192, 8192, {200, 0, 0, 255})));
  style.setEye(QRCodeFillStyleImage::make(gfx::Image::filled(8192, 8192, {0, 200, 0, 255})));
  style.setBackground(QRCodeFillStyleImage::make(gfx::Image::filled(8192, 8192, {0, 0, 200, 255})));
  measureOnce(state, [&] { benchmark::DoNotOptimize(document->pdfDataWithDimension(256, 72)); });
  for (auto _ : state) benchmark::DoNotOptimize(document->pdfDataWithDimension(256, 72));
  state.SetLabel("peak over the three pictures (768 MB) already held");
}
BENCHMARK(BM_ThreeLargestFillsAsPDF)->Unit(benchmark::kMillisecond)->Iterations(2);

// A grey picture with `count` finder patterns (dark ring, light ring, dark core; 7 x 7
// modules of 4 pixels) in rows of 20: as many finder-like shapes as a search may hold
// (200) or one more. The decoder tries every three of them, in each pass.
void BM_DetectionAtTheCandidateLimit(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const auto accuracy = state.range(1) != 0 ? QRCode::DetectionAccuracy::high : QRCode::DetectionAccuracy::low;
  constexpr int kModule = 4, kPitch = 40, kColumns = 20;
  const int width = kColumns * kPitch, height = (count + kColumns - 1) / kColumns * kPitch;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, 255);
  for (int i = 0; i < count; ++i)
    for (int y = 0; y < 7 * kModule; ++y)
      for (int x = 0; x < 7 * kModule; ++x) {
        const int mx = x / kModule, my = y / kModule;
        const bool dark = mx == 0 || mx == 6 || my == 0 || my == 6 || (mx >= 2 && mx <= 4 && my >= 2 && my <= 4);
        const int px = 6 + i % kColumns * kPitch + x, py = 6 + i / kColumns * kPitch + y;
        pixels[static_cast<std::size_t>(py) * width + px] = dark ? 0 : 255;
      }
  const gfx::Image picture = gfx::Image::make(width, height, std::move(pixels), gfx::PixelFormat::gray);
  measureOnce(state, [&] { benchmark::DoNotOptimize(QRCode::DetectQRCodes(picture, accuracy)); });
  for (auto _ : state) benchmark::DoNotOptimize(QRCode::DetectQRCodes(picture, accuracy));
  state.SetLabel(std::to_string(count) + " finder patterns in " + std::to_string(width) + " x " +
                 std::to_string(height) + (count > static_cast<int>(qrdetect::kMaxFinderCandidates)
                                               ? ", not searched"
                                               : ", searched"));
}
BENCHMARK(BM_DetectionAtTheCandidateLimit)
    ->ArgsProduct({{200, 201}, {0, 1}})
    ->ArgNames({"finders", "high"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The first frame of an H.264 video of 8192 x 8192 (exactly the pixel limit), read into
// the Share panel's thumbnail.
void BM_VideoFrameAtThePixelLimit(benchmark::State& state) {
  const auto video = testsupport::testDataFolder() / "repro" / "video-h264-8192x8192.mov";
  const auto read = [&] {
    if (!AerialManager::firstVideoFrame(video)) std::abort();
  };
  measureOnce(state, read);
  for (auto _ : state) read();
  state.SetLabel("8192 x 8192 frame, limit " + std::to_string(kDefaultMaxImagePixels) + " pixels");
}
BENCHMARK(BM_VideoFrameAtThePixelLimit)->Unit(benchmark::kMillisecond)->Iterations(2);

// H.264 streams whose key frame was removed: every frame predicts from a picture the
// decoder never had. 59 and 4000 frames of 8192 x 8192 (a few bytes each), and 39 frames
// of a stream that declares 16 reference frames: no thumbnail, after a few frames' work
// (about 0.25 s and 310 MB each; before the bound 4.4 s, 147 s, and 3.9 s with 2.2 GB).
// These files are raw streams and are now refused at once as no QuickTime file; the same
// streams in a QuickTime file still take those 0.25 s (see the engine's tests).
void BM_VideoWithoutKeyFrame(benchmark::State& state) {
  static const char* const files[] = {"video-h264-no-keyframe-59-frames.mov", "video-h264-no-keyframe-4000-frames.mov",
                                      "video-h264-no-keyframe-16-refs.mov"};
  const char* const name = files[state.range(0)];
  const auto video = testsupport::testDataFolder() / "repro" / name;
  const auto read = [&] {
    if (AerialManager::firstVideoFrame(video)) std::abort();
  };
  measureOnce(state, read);
  for (auto _ : state) read();
  state.SetLabel(name);
}
BENCHMARK(BM_VideoWithoutKeyFrame)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);

// The first frame of a 4K HEVC video (two frames, made once by the ffmpeg program in a
// folder of the run), read into the Share panel's thumbnail as the panel reads it, in the
// helper process (about 105 ms; read in this process, as before the helper, 55 ms).
void BM_VideoThumbnail4KHEVC(benchmark::State& state) {
  static const std::filesystem::path video = [] {
    std::string folder = (std::filesystem::temp_directory_path() / "vl-bench-video-XXXXXX").string();
    if (!mkdtemp(folder.data())) std::abort();
    const std::filesystem::path file = std::filesystem::path(folder) / "hevc-4k.mov";
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "
                                "testsrc=size=3840x2160:rate=5 -frames:v 2 -pix_fmt yuv420p "
                                "-c:v libx265 -x265-params log-level=none '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) std::abort();
    return file;
  }();
  const auto read = [&] {
    if (!AerialManager::thumbnailOf(video)) std::abort();
  };
  measureOnce(state, read);
  for (auto _ : state) read();
  std::filesystem::remove_all(video.parent_path());
  state.SetLabel("3840 x 2160 HEVC, first frame");
}
BENCHMARK(BM_VideoThumbnail4KHEVC)->Unit(benchmark::kMillisecond)->Iterations(5);

// 8192 x 8192 of one-pixel vertical stripes below a row of 199 finder patterns (modules of
// 3 pixels): every dark pixel of the stripes passes the row test for a finder-like shape
// (0.8 s at low accuracy, 0.9 s at high, 215 MB; 1.2 s and 1.4 s while one-pixel centre runs
// were tested further, 11.5 s at either before the count was bounded).
void BM_DetectionInStripes(benchmark::State& state) {
  const auto accuracy = state.range(0) != 0 ? QRCode::DetectionAccuracy::high : QRCode::DetectionAccuracy::low;
  constexpr int kSide = 8192, kModule = 3, kPitch = 40, kFinders = 199;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSide) * kSide, 255);
  for (int y = kPitch; y < kSide; ++y)
    for (int x = 0; x < kSide; x += 2) pixels[static_cast<std::size_t>(y) * kSide + x] = 0;
  for (int i = 0; i < kFinders; ++i)
    for (int y = 0; y < 7 * kModule; ++y)
      for (int x = 0; x < 7 * kModule; ++x) {
        const int mx = x / kModule, my = y / kModule;
        const bool dark = mx == 0 || mx == 6 || my == 0 || my == 6 || (mx >= 2 && mx <= 4 && my >= 2 && my <= 4);
        pixels[static_cast<std::size_t>(6 + y) * kSide + 8 + i * kPitch + x] = dark ? 0 : 255;
      }
  const gfx::Image picture = gfx::Image::make(kSide, kSide, std::move(pixels), gfx::PixelFormat::gray);
  measureOnce(state, [&] { benchmark::DoNotOptimize(QRCode::DetectQRCodes(picture, accuracy)); });
  for (auto _ : state) benchmark::DoNotOptimize(QRCode::DetectQRCodes(picture, accuracy));
  state.SetLabel("199 finder patterns over 8192 x 8192 one-pixel stripes");
}
BENCHMARK(BM_DetectionInStripes)->ArgNames({"high"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// 8192 x 8192 pictures of patterns where every dark pixel looks like the centre of a
// finder-like shape in some direction, against a flat white one (0.66 s at low accuracy,
// 0.76 s at high): each at most 1.3 times that, diagonal stripes at most 1.55 (one-pixel
// checkerboards took 5.3 s, three-pixel ones and one-pixel vertical stripes about twice the
// white one, while one-pixel centre runs were tested further; diagonal stripes 2.4 to 3.1 s,
// while each dark run walked its diagonal, dark for its whole length, again).
void BM_DetectionInPatterns(benchmark::State& state) {
  static const char* const names[] = {"flat white",
                                      "one-pixel checkerboard",
                                      "one-pixel vertical stripes",
                                      "one-pixel horizontal stripes",
                                      "three-pixel checkerboard",
                                      "random noise",
                                      "rising diagonal stripes, period 3",
                                      "falling diagonal stripes, period 3",
                                      "rising diagonal stripes, period 4",
                                      "falling diagonal stripes, period 4"};
  const int pattern = static_cast<int>(state.range(0));
  const auto accuracy = state.range(1) != 0 ? QRCode::DetectionAccuracy::high : QRCode::DetectionAccuracy::low;
  constexpr std::size_t kSide = 8192;
  std::vector<std::uint8_t> pixels(kSide * kSide, 255);
  std::uint64_t seed = 0x9E3779B97F4A7C15u;
  for (std::size_t y = 0; y < kSide; ++y)
    for (std::size_t x = 0; x < kSide; ++x) {
      seed = seed * 6364136223846793005u + 1442695040888963407u;
      const bool dark[] = {false,
                           (x + y) % 2 == 0,
                           x % 2 == 0,
                           y % 2 == 0,
                           (x / 3 + y / 3) % 2 == 0,
                           (seed >> 63) != 0,
                           (x + y) % 3 != 0,
                           (x + kSide - y) % 3 != 0,
                           (x + y) % 4 != 0,
                           (x + kSide - y) % 4 != 0};
      if (dark[pattern]) pixels[y * kSide + x] = 0;
    }
  const gfx::Image picture = gfx::Image::make(kSide, kSide, std::move(pixels), gfx::PixelFormat::gray);
  measureOnce(state, [&] { benchmark::DoNotOptimize(QRCode::DetectQRCodes(picture, accuracy)); });
  for (auto _ : state) benchmark::DoNotOptimize(QRCode::DetectQRCodes(picture, accuracy));
  state.SetLabel(names[pattern]);
}
BENCHMARK(BM_DetectionInPatterns)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 1}})
    ->ArgNames({"pattern", "high"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A gradient text of the most pins, alternating two colours.
std::string mostPinsGradient(const char* a, const char* b) {
  std::string text;
  for (std::size_t i = 0; i < KvelGradient::maxPins; ++i) {
    if (i) text += '|';
    text += std::to_string(static_cast<double>(i) / (KvelGradient::maxPins - 1));
    text += ':';
    text += i % 2 ? a : b;
  }
  return text;
}

// The archive of a document with every bound at its limit at once: version-40 text, an
// on-pixel image fill and a logo image that together use the whole pixel budget
// (8192 x 8191 + 64 x 64 pixels), the logo's path of the most elements, and gradients of
// the most pins for the eyes, the pupils and the background.
const foundation::Settings& everyBoundArchive() {
  static const foundation::Settings archive = [] {
    std::vector<std::uint8_t> pixels(8192u * 8191u * 4u);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      const std::size_t x = (i / 4) % 8192, y = (i / 4) / 8192;
      pixels[i] = static_cast<std::uint8_t>(x * 255 / 8191);
      pixels[i + 1] = static_cast<std::uint8_t>((x ^ y) & 0x3F);
      pixels[i + 2] = static_cast<std::uint8_t>(y * 255 / 8190);
      pixels[i + 3] = 255;
    }
    const gfx::Image picture = gfx::Image::make(8192, 8191, std::move(pixels));
    const std::size_t n = QRCodeLogoTemplate::maxPathElements;
    gfx::Path path;
    path.moveTo({0.3, 0.3});
    for (std::size_t i = 2; i < n; ++i)
      path.lineTo({0.3 + 0.4 * static_cast<double>(i % 2), 0.3 + 0.4 * static_cast<double>(i) / static_cast<double>(n)});
    path.close();
    QRCodeLogoTemplate logo(gfx::Image::filled(64, 64, {255, 255, 255, 255}), path, 0.0);
    const auto linear = [](const char* a, const char* b) {
      return foundation::Settings{{"type", "lineargradient"},
                                  {"settings", {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"endY", 1},
                                                {"gradient", mostPinsGradient(a, b)}}}};
    };
    foundation::Settings radial = {{"type", "radialgradient"},
                                   {"settings", {{"centerX", 0.5}, {"centerY", 0.5},
                                                 {"gradient", mostPinsGradient("1,0,0,1", "0,1,0,1")}}}};
    const foundation::Settings style = {
        {"onPixels", {{"type", "image"}, {"settings", QRCodeFillStyleImage(picture).settings()}}},
        {"eye", linear("0,0,1,1", "1,1,0,1")},
        {"pupil", radial},
        {"background", linear("1,1,1,1", "0.8,0.8,0.8,1")}};
    return foundation::Settings{{"text", std::string(2900, 'a')},
                                {"correction", "L"},
                                {"design", {{"style", style}}},
                                {"logoTemplate", logo.settings()}};
  }();
  return archive;
}

// Loads that archive and draws it at 1024 px as PNG, SVG or PDF.
void BM_EveryBoundAtOnce(benchmark::State& state) {
  const foundation::Settings& archive = everyBoundArchive();
  const auto engine = std::make_shared<QRCodeEngineExternal>();
  const int format = static_cast<int>(state.range(0));
  const auto work = [&] {
    const auto document = QRCodeDocument::CreateWithSettings(archive, engine);
    if (document->design()->style()->onPixels()->name() != "image" || !document->logoTemplate()) std::abort();
    if (format == 0) benchmark::DoNotOptimize(document->pngDataWithDimension(1024, 72));
    if (format == 1) benchmark::DoNotOptimize(document->svgDataWithDimension(1024));
    if (format == 2) benchmark::DoNotOptimize(document->pdfDataWithDimension(1024, 72));
  };
  measureOnce(state, work);
  for (auto _ : state) work();
  static const char* const names[] = {"PNG", "SVG", "PDF"};
  state.SetLabel(std::string("loaded and drawn at 1024 px as ") + names[format]);
}
BENCHMARK(BM_EveryBoundAtOnce)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2);
