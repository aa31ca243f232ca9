// vidlumen: opens the Share panel of the current wallpaper and ends when its last window
// closes.
//
// One instance per user session: a second start only activates the first, which brings
// its panel to the front, and ends with status 0. Without a session bus every start is an
// instance of its own.

#include <cstdio>
#include <memory>

#include <gtk/gtk.h>
#include <gtkmm/application.h>
#include <gtkmm/clipboard.h>

#include "app/shell/AppDelegate.hpp"
#include "platform/foundation/Dispatch.hpp"

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::fputs(
        "vidlumen: cannot open a display. The Share panel is a window and needs a graphical "
        "session (set DISPLAY or WAYLAND_DISPLAY, or run it under xvfb-run).\n",
        stderr);
    return 1;
  }
  auto application = Gtk::Application::create("com.vidlumen.VidLumen");
  std::shared_ptr<AppDelegate> delegate;
  application->signal_activate().connect([&] {
    if (!delegate) delegate = AppDelegate::make(application);
    delegate->shareCurrentWallpaper();
  });
  // Hands a copied link to the desktop's clipboard manager, so that it can still be pasted
  // after the program ended (nothing happens without a manager or a copied link). GTK's own
  // shutdown tries the same; saying it here keeps the promise whatever GTK does.
  application->signal_shutdown().connect([] { Gtk::Clipboard::get()->store(); });
  const int status = application->run(argc, argv);
  // Let queued work (window releases) finish while GTK is still up.
  foundation::drainMainQueue();
  delegate.reset();
  foundation::drainMainQueue();
  return status;
}
