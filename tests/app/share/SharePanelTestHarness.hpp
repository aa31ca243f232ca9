#pragma once
// Helpers of the Share panel's GUI tests: GTK start-up, temporary folders, test videos made
// with the ffmpeg program, and pictures of windows.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <cairo.h>

#include <gdk/gdk.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include "platform/foundation/Dispatch.hpp"
#include "platform/graphics/Image.hpp"

namespace panelharness {

// Starts GTK once; false without a display.
inline bool startGtk() {
  static const bool started = [] {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    Gtk::Main::init_gtkmm_internals();
    return true;
  }();
  return started;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-panel-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << text;
}

// Runs the ffmpeg program; true when it made a non-empty file.
inline bool ffmpeg(const std::string& args, const std::filesystem::path& output) {
  std::filesystem::create_directories(output.parent_path());
  const std::string command =
      "ffmpeg -hide_banner -loglevel error -nostdin -y " + args + " '" + output.string() + "'";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(output) &&
         std::filesystem::file_size(output) > 0;
}

// A 1280 x 720 video of the moving test pattern (its first frame is what the panel shows).
inline bool makeTestVideo(const std::filesystem::path& output) {
  return ffmpeg("-f lavfi -i testsrc2=size=1280x720:rate=10 -frames:v 5 -pix_fmt yuv420p "
                "-c:v libx264",
                output);
}

// Turns the main loop until the window has drawn itself at least once more.
inline bool waitForDraw(Gtk::Window& window) {
  bool drawn = false;
  auto connection = window.signal_draw().connect(
      [&drawn](const Cairo::RefPtr<Cairo::Context>&) {
        drawn = true;
        return false;
      },
      false);
  window.queue_draw();
  const bool ok = foundation::runMainLoopUntil([&] { return drawn; }, 30.0);
  connection.disconnect();
  foundation::drainMainQueue();
  return ok;
}

// A picture of the window's content (premultiplied RGBA), drawn by the window itself
// into memory: other windows on the same display (tests running in parallel) cannot
// cover it.
inline gfx::Image captureWindow(Gtk::Window& window) {
  if (!waitForDraw(window)) return {};
  GtkWidget* widget = GTK_WIDGET(window.gobj());
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  if (width <= 0 || height <= 0) return {};
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(widget, cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t argb = row[x];
      std::uint8_t* o = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      o[0] = static_cast<std::uint8_t>(argb >> 16);
      o[1] = static_cast<std::uint8_t>(argb >> 8);
      o[2] = static_cast<std::uint8_t>(argb);
      o[3] = static_cast<std::uint8_t>(argb >> 24);
    }
  }
  cairo_surface_destroy(surface);
  return gfx::Image::make(width, height, std::move(pixels));
}

// Sends a key press and release to the window as if typed on the keyboard: the window
// routes it to its focus widget, its key bindings and its default widget. False when the
// window is not realized or the keyboard map has no key for the keyval.
inline bool sendKey(Gtk::Window& window, guint keyval) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window.gobj()));
  if (!gdkWindow) return false;
  GdkDisplay* display = gdk_window_get_display(gdkWindow);
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (!gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                         &count) ||
      count == 0) {
    return false;
  }
  const auto keycode = static_cast<guint16>(keys[0].keycode);
  const auto group = static_cast<guint8>(keys[0].group);
  g_free(keys);
  GdkDevice* keyboard = gdk_seat_get_keyboard(gdk_display_get_default_seat(display));
  for (const GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gdkWindow));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    event->key.hardware_keycode = keycode;
    event->key.group = group;
    gdk_event_set_device(event, keyboard);
    gtk_main_do_event(event);
    gdk_event_free(event);  // also drops the window reference
  }
  return true;
}

// Where a widget lies inside its toplevel window.
inline gfx::Rect frameInWindow(Gtk::Widget& widget, Gtk::Window& window) {
  int x = 0, y = 0;
  widget.translate_coordinates(window, 0, 0, x, y);
  return gfx::Rect(x, y, widget.get_allocated_width(), widget.get_allocated_height());
}

// The image cut to a rectangle (clipped to the image).
inline gfx::Image crop(const gfx::Image& image, int x0, int y0, int w, int h) {
  std::vector<std::uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(w) * h * 4);
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) {
      const auto p = image.pixelAt(x, y);
      pixels.insert(pixels.end(), {p.r, p.g, p.b, p.a});
    }
  }
  return gfx::Image::make(w, h, std::move(pixels));
}

}  // namespace panelharness
