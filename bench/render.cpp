// Rendering and export: a document to 300-pixel PNG bytes and to PDF bytes, for a 60-byte
// URL and a version-25 payload, with the default design and with the Share panel's design
// (rounded-rectangle modules and eye, white on clear). The time is split into matrix,
// paths, rasterising and PNG compression, and a hand-written minimal pipeline (the same
// engine, one cairo fill of the same modules, libpng called directly with the export's
// settings) runs beside it as the floor. The PNG writer's settings are measured for size
// against time.

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <png.h>
#include <sys/resource.h>

#include <csetjmp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/PNG.hpp"

namespace {

constexpr int kSide = 300;

// 60 bytes.
const std::string kURL = "https://vidlumen.example.com/wallpaper/waves-dp3YBose?u=share";

// 950 bytes: the smallest symbol that holds them at level medium is version 25.
std::string version25Payload() {
  std::string s;
  s.reserve(950);
  for (int i = 0; s.size() < 950; ++i) s += "payload-" + std::to_string(i) + ";";
  s.resize(950);
  return s;
}

const std::string& payload(int which) {
  static const std::string large = version25Payload();
  return which == 0 ? kURL : large;
}

// The Share panel's design: rounded-rectangle modules and eye, white fills on clear.
void applySharePanelDesign(QRCodeDocument& document) {
  auto& design = *document.design();
  design.shape()->setOnPixels(
      std::make_shared<QRCodePixelShapeRoundedRect>(0.7, std::make_shared<QRCodePixelInsetFixed>(), 0.1, 0.0, false));
  design.shape()->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  design.style()->setBackground(QRCodeFillStyle::clear());
  design.style()->setOnPixels(QRCodeFillStyleSolid::make(gfx::Color::sRGB(1, 1, 1, 1)));
}

std::unique_ptr<QRCodeDocument> makeDocument(int which, bool share) {
  auto document = std::make_unique<QRCodeDocument>(payload(which), QRCode::ErrorCorrection::medium);
  if (share) applySharePanelDesign(*document);
  return document;
}

bool checkDimension(benchmark::State& state, const QRCodeDocument& document, int which) {
  const std::int64_t expected = which == 0 ? 0 : 117 + 2;
  if (which == 1 && document.cellDimension() != expected) {
    state.SkipWithError("payload is not version 25");
    return false;
  }
  state.counters["modules"] = static_cast<double>(document.cellDimension());
  return true;
}

// Minor page faults of the process so far: a full-size buffer that is made and dropped
// on every export shows here as faults (and kernel time) that a floor does not have.
long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

void countFaults(benchmark::State& state, long before) {
  state.counters["faults"] = benchmark::Counter(static_cast<double>(minorFaults() - before),
                                                benchmark::Counter::kAvgIterations);
}

// --- end to end ------------------------------------------------------------------------

void BM_DocumentPNG(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const bool share = state.range(1) != 0;
  std::size_t bytes = 0;
  const long faults = minorFaults();
  for (auto _ : state) {
    auto document = makeDocument(which, share);
    const foundation::Bytes png = document->pngDataWithDimension(kSide, 72);
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  countFaults(state, faults);
  auto document = makeDocument(which, share);
  checkDimension(state, *document, which);
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_DocumentPNG)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"v25", "share"})->Unit(benchmark::kMillisecond);

void BM_DocumentPDF(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const bool share = state.range(1) != 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto document = makeDocument(which, share);
    const foundation::Bytes pdf = document->pdfDataWithDimension(kSide, 72);
    bytes = pdf.size();
    benchmark::DoNotOptimize(pdf.data());
  }
  state.counters["pdf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_DocumentPDF)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"v25", "share"})->Unit(benchmark::kMillisecond);

// --- the stages --------------------------------------------------------------------------

// Matrix: making the document (the engine's generation).
void BM_StageMatrix(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  for (auto _ : state) {
    QRCodeDocument document(payload(which), QRCode::ErrorCorrection::medium);
    benchmark::DoNotOptimize(document.cellDimension());
  }
}
BENCHMARK(BM_StageMatrix)->Arg(0)->Arg(1)->ArgName("v25")->Unit(benchmark::kMillisecond);

// Paths: the component paths the renderer asks for (eye, pupil, on-pixels).
void BM_StagePaths(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  auto document = makeDocument(which, state.range(1) != 0);
  QRCodeShape& shape = *document->design()->shape();
  const gfx::Size size{kSide, kSide};
  for (auto _ : state) {
    for (QRCodeComponents part : {QRCodeComponents::eye(), QRCodeComponents::pupil(), QRCodeComponents::onPixels()}) {
      const gfx::Path p = qrrender::path(document->qrcode(), size, part, shape, nullptr, 0);
      benchmark::DoNotOptimize(p.size());
    }
  }
}
BENCHMARK(BM_StagePaths)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"v25", "share"})->Unit(benchmark::kMillisecond);

// Rasterising: the bitmap export (paths included), without encoding.
void BM_StageRasterise(benchmark::State& state) {
  auto document = makeDocument(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    const gfx::Image image = document->cgImageWithDimension(kSide);
    benchmark::DoNotOptimize(image.pixels().data());
  }
}
BENCHMARK(BM_StageRasterise)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"v25", "share"})->Unit(benchmark::kMillisecond);

// PNG compression of the rendered bitmap with the export's settings.
void BM_StagePNG(benchmark::State& state) {
  auto document = makeDocument(static_cast<int>(state.range(0)), state.range(1) != 0);
  const gfx::Image image = document->cgImageWithDimension(kSide);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const foundation::Bytes png = imageio::encodeImageData(image, ImageExportType::png(1));
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_StagePNG)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"v25", "share"})->Unit(benchmark::kMillisecond);

// --- the floor -----------------------------------------------------------------------------

struct FloorSink {
  foundation::Bytes* out;
};

void floorWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<FloorSink*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    sink->out->insert(sink->out->end(), data, data + length);
  } catch (...) {
    failed = true;
  }
  if (failed) png_error(png, "out of memory");
}

void floorFlush(png_structp) {}

// An opaque grey PNG of cairo's ARGB surface, written with libpng alone: one row buffer,
// the export's settings (no row filter, zlib level 4, the "filtered" strategy) and the
// same 72 dpi pHYs chunk.
bool floorWritePNG(png_structp png, png_infop info, FloorSink* sink, const unsigned char* data, int stride,
                   std::uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, sink, floorWrite, floorFlush);
  png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
  png_set_compression_level(png, 4);
  png_set_compression_strategy(png, 1);  // Z_FILTERED
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  for (int y = 0; y < kSide; ++y) {
    const auto* s = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < kSide; ++x) row[x] = static_cast<std::uint8_t>(s[x]);
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

// The same engine, one cairo fill of one rectangle per dark module on an opaque white
// bitmap, and libpng called directly with the export's PNG settings.
void BM_FloorPNG(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  std::size_t bytes = 0;
  const long faults = minorFaults();
  for (auto _ : state) {
    const QRCode qr(payload(which), QRCode::ErrorCorrection::medium);
    const QRCodeBoolMatrix& m = *qr.boolMatrix();
    const std::int64_t n = m.dimension();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double cell = static_cast<double>(kSide) / static_cast<double>(n);
    for (std::int64_t r = 0; r < n; ++r)
      for (std::int64_t c = 0; c < n; ++c)
        if (m.value(r, c)) cairo_rectangle(cr, c * cell, r * cell, cell, cell);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    foundation::Bytes png;
    FloorSink sink{&png};
    std::uint8_t row[kSide];
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    const bool ok = floorWritePNG(writer, info, &sink, cairo_image_surface_get_data(surface),
                                  cairo_image_surface_get_stride(surface), row);
    png_destroy_write_struct(&writer, &info);
    cairo_surface_destroy(surface);
    if (!ok) {
      state.SkipWithError("libpng failed");
      break;
    }
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  countFaults(state, faults);
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_FloorPNG)->Arg(0)->Arg(1)->ArgName("v25")->Unit(benchmark::kMillisecond);

// --- PNG settings: size against time ----------------------------------------------------

// The image as the export hands it to the writer: opaque all-grey images as grey.
gfx::Image asExported(const gfx::Image& image) {
  for (int y = 0; y < image.height(); ++y) {
    const std::uint8_t* p = image.row(y).data();
    for (int x = 0; x < image.width(); ++x, p += 4)
      if (p[3] != 255 || p[0] != p[1] || p[1] != p[2]) return image;
  }
  std::vector<std::uint8_t> grey;
  grey.reserve(static_cast<std::size_t>(image.width()) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    const std::uint8_t* p = image.row(y).data();
    for (int x = 0; x < image.width(); ++x, p += 4) grey.push_back(p[0]);
  }
  return gfx::Image::make(image.width(), image.height(), std::move(grey), gfx::PixelFormat::gray);
}

// Arguments: payload, design, level, filter set (0 none, 1 sub, 2 up, 3 paeth, 4 all),
// strategy (0 default, 1 filtered, 2 rle).
void BM_PNGSettings(benchmark::State& state) {
  auto document = makeDocument(static_cast<int>(state.range(0)), state.range(1) != 0);
  const gfx::Image image = asExported(document->cgImageWithDimension(kSide));
  static constexpr unsigned filters[] = {PNGFilter::none, PNGFilter::sub, PNGFilter::up, PNGFilter::paeth,
                                         PNGFilter::all};
  static constexpr PNGStrategy strategies[] = {PNGStrategy::defaultStrategy, PNGStrategy::filtered, PNGStrategy::rle};
  PNGWriteOptions options;
  options.compressionLevel = static_cast<int>(state.range(2));
  options.filters = filters[state.range(3)];
  options.strategy = strategies[state.range(4)];
  std::size_t bytes = 0;
  for (auto _ : state) {
    const foundation::Bytes png = imageio::writePNG(image, options);
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PNGSettings)
    ->ArgsProduct({{0, 1}, {0, 1}, {1, 3, 4, 6, 9}, {0, 1, 2, 3, 4}, {0, 1, 2}})
    ->ArgNames({"v25", "share", "level", "filter", "strategy"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
