#pragma once
// Helpers of the view tests: GTK start-up, a manual dispatch clock, an offscreen host
// window and a snapshot of a widget drawn into a bitmap.

#include <gtest/gtest.h>

#include <cairo.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/offscreenwindow.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "platform/foundation/Dispatch.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/Image.hpp"

namespace viewtest {

inline bool startGtk() {
  static const bool started = [] {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    Gtk::Main::init_gtkmm_internals();
    return true;
  }();
  return started;
}

// The widget drawn (gtk_widget_draw) into a transparent width x height bitmap.
inline gfx::Image snapshot(Gtk::Widget& widget, int width, int height) {
  // Finish a pending size negotiation first (showing or hiding a child asks for one).
  if (GtkWidget* top = gtk_widget_get_toplevel(widget.gobj()); top && GTK_IS_CONTAINER(top))
    gtk_container_check_resize(GTK_CONTAINER(top));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(widget.gobj(), cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  std::uint8_t* out = px.data();
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x, out += 4) {
      const std::uint32_t v = in[x];
      out[0] = static_cast<std::uint8_t>(v >> 16);
      out[1] = static_cast<std::uint8_t>(v >> 8);
      out[2] = static_cast<std::uint8_t>(v);
      out[3] = static_cast<std::uint8_t>(v >> 24);
    }
  }
  cairo_surface_destroy(surface);
  return gfx::Image::make(width, height, std::move(px));
}

// Number of pixels that are not fully transparent.
inline std::size_t paintedPixels(const gfx::Image& image) {
  std::size_t n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixelAt(x, y).a != 0;
  return n;
}

// Lines printed through foundation::printLine while it lives.
class CapturedOutput {
 public:
  CapturedOutput() {
    previous_ = foundation::setOutputSink([this](std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
    });
  }
  ~CapturedOutput() { foundation::setOutputSink(previous_); }
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  foundation::OutputSink previous_;
};

// A gate that a background fill waits on until the test opens it.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  int waiting = 0;
  void release() {
    std::lock_guard lock(mutex);
    open = true;
    changed.notify_all();
  }
  void pass() {
    std::unique_lock lock(mutex);
    ++waiting;
    changed.notify_all();
    changed.wait(lock, [this] { return open; });
  }
};

// A solid black fill that, when drawing a path, first waits at the gate: a render that
// takes as long as the test wants. Copies share the gate.
class GatedFill final : public QRCodeFillStyleGenerator {
 public:
  explicit GatedFill(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  std::string_view name() const override { return "gated"; }
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override { return std::make_shared<GatedFill>(gate_); }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const override { solid_.fillWithCtx(ctx, rect); }
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path, double pixelSize,
                   const QRCodeShadow* shadow) const override {
    gate_->pass();
    solid_.fillWithCtx(ctx, rect, path, pixelSize, shadow);
  }
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(std::string_view id, double size,
                                                                      const QRCodeShadow* shadow) const override {
    return solid_.svgRepresentationWithStyleIdentifier(id, size, shadow);
  }

 private:
  std::shared_ptr<Gate> gate_;
  QRCodeFillStyleSolid solid_{gfx::Color::sRGB(0, 0, 0)};
};

// Test fixture base: GTK started, the dispatch clock manual (so debounces and timers move
// only when the test says), the main queue drained before and after.
class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(startGtk()) << "these tests need a display (run them under xvfb-run)";
    foundation::DispatchClock::setManual(true);
    foundation::drainMainQueue();
  }
  void TearDown() override {
    foundation::drainMainQueue();
    foundation::DispatchClock::setManual(false);
  }

  // Moves the clock and runs what came due on the main queue.
  static void advance(double seconds) {
    foundation::DispatchClock::advance(seconds);
    foundation::drainMainQueue();
  }
  // Waits (real time) until the condition holds, iterating the main loop.
  static bool waitFor(const std::function<bool()>& done, double seconds = 20) {
    return foundation::runMainLoopUntil(done, seconds);
  }
};

}  // namespace viewtest
