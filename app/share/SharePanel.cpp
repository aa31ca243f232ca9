#include "app/share/SharePanel.hpp"

#include <utility>

#include <gdk/gdkkeysyms.h>
#include <gtkmm/headerbar.h>
#include <gtkmm/settings.h>

#include "app/share/ShareLink.hpp"
#include "app/share/ShareQRImage.hpp"

namespace {

// The panel's title bar. Its title is shortened with an ellipsis where it does not fit, and
// it asks for no more width than its buttons and a shortened title need: a window that
// cannot be resized is as wide as its widest part wants to be, and a long wallpaper name
// must not widen the panel beyond its content.
class SharePanelTitleBar : public Gtk::HeaderBar {
 protected:
  void get_preferred_width_vfunc(int& minimum, int& natural) const override {
    Gtk::HeaderBar::get_preferred_width_vfunc(minimum, natural);
    natural = minimum;
  }
  void get_preferred_width_for_height_vfunc(int height, int& minimum,
                                            int& natural) const override {
    Gtk::HeaderBar::get_preferred_width_for_height_vfunc(height, minimum, natural);
    natural = minimum;
  }
};

// Window states the panel does not take: it stays a titled window of its own size.
constexpr auto kRefusedStates = static_cast<GdkWindowState>(
    GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN);

}  // namespace

std::shared_ptr<Gtk::Window> makeSharePanelWindow(const std::string& shareURL,
                                                  const std::string& wallpaperTitle,
                                                  std::shared_ptr<SharePanelViewModel> viewModel,
                                                  std::function<void()> onClose) {
  // The panel prefers the dark colour scheme.
  if (auto settings = Gtk::Settings::get_default()) {
    settings->property_gtk_application_prefer_dark_theme() = true;
  }
  auto window = std::make_shared<Gtk::Window>();
  const std::string title = std::string(sharePanelTitlePrefix) + wallpaperTitle;
  auto* view = Gtk::make_managed<SharePanelView>(shareURL, wallpaperTitle, std::move(viewModel),
                                                 std::move(onClose));
  view->set_size_request(sharePanelWidth, sharePanelHeight);
  window->set_title(title);
  window->add(*view);

  // The title bar is our own, so that it offers the same under every window manager: the
  // title and a close button, nothing else. The window manager draws no frame of its own
  // and is told that the window can only be moved and closed (no minimising, maximising
  // or resizing from its menus or keys). The window keeps the full title for the window
  // list; the bar shortens it to the panel's width.
  auto* titleBar = Gtk::make_managed<SharePanelTitleBar>();
  titleBar->set_title(title);
  titleBar->set_show_close_button(true);
  titleBar->set_decoration_layout(std::string(sharePanelDecorationLayout));
  titleBar->show();
  window->set_titlebar(*titleBar);
  window->set_resizable(false);
  window->set_deletable(true);
  Gtk::Window* panel = window.get();
  window->signal_realize().connect([panel] {
    if (auto gdkWindow = panel->get_window()) {
      gdkWindow->set_functions(Gdk::FUNC_MOVE | Gdk::FUNC_CLOSE);
    }
  });
  // Some window managers (openbox) keep minimising and full screen in their window menu,
  // key bindings and state requests whatever the window asks for: a minimised panel comes
  // straight back, and a maximised or full-screen one returns to its size and title bar.
  window->signal_window_state_event().connect([panel](GdkEventWindowState* event) {
    const auto entered = event->changed_mask & event->new_window_state & kRefusedStates;
    if ((entered & GDK_WINDOW_STATE_ICONIFIED) != 0) panel->deiconify();
    if ((entered & GDK_WINDOW_STATE_MAXIMIZED) != 0) panel->unmaximize();
    if ((entered & GDK_WINDOW_STATE_FULLSCREEN) != 0) panel->unfullscreen();
    return false;
  });
  window->set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  window->set_position(Gtk::WIN_POS_CENTER);

  // Keyboard: the copy button has the focus and is the default (Enter or Space copies);
  // Escape closes the panel.
  Gtk::Button& copyButton = view->copyButton();
  copyButton.set_can_default(true);
  window->set_default(copyButton);
  window->set_focus(copyButton);
  window->signal_key_press_event().connect(
      [panel](GdkEventKey* event) {
        if (event->keyval != GDK_KEY_Escape) return false;
        panel->close();
        return true;
      },
      false);
  return window;
}

SharePanelView* sharePanelViewOf(Gtk::Window& window) {
  return dynamic_cast<SharePanelView*>(window.get_child());
}

void runShareFillTask(std::string shareURL, std::shared_ptr<SharePanelViewModel> viewModel,
                      const AerialManager& manager) {
  std::string qrText = std::move(shareURL);
  qrText.append(sharelink::qrCodeSuffix);
  // Rendered now, published only once the thumbnail lookup has ended.
  auto qrCode = makeShareQRImage(qrText);
  manager.currentWallpaperThumbnail(
      [viewModel = std::move(viewModel),
       qrCode = std::move(qrCode)](std::optional<gfx::Image> thumbnail) mutable {
        viewModel->setQrCode(std::move(qrCode));
        if (thumbnail) {
          viewModel->setThumbnail(PlatformImage::withCGImage(std::move(*thumbnail)));
        } else {
          viewModel->setThumbnail(std::nullopt);
        }
      });
}

foundation::WorkItemPtr scheduleShareFillTask(std::string shareURL,
                                              std::shared_ptr<SharePanelViewModel> viewModel,
                                              const AerialManager& manager) {
  return foundation::DispatchQueue::main().asyncAfter(
      shareFillTaskDelay,
      [shareURL = std::move(shareURL), viewModel = std::move(viewModel), &manager]() mutable {
        runShareFillTask(std::move(shareURL), std::move(viewModel), manager);
      });
}
