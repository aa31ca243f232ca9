#pragma once
// The application delegate: keeps the application's windows (the Share panel and, when one
// is open, the Browse window), opens the Share panel, brings windows forward and decides
// what the application is when windows close.
//
// Activation policy: a regular application (windows, focus) or an accessory one (menu-bar
// only, no windows in front). Linux has no such switch, so the delegate records the policy
// as state with the same transitions: showing a window makes the application regular, and
// closing the last visible window makes it an accessory again.
//
// Main thread only.

#include <functional>
#include <memory>

#include <glibmm/refptr.h>
#include <gtkmm/application.h>
#include <gtkmm/window.h>

#include "app/engine/AerialManager.hpp"

enum class ActivationPolicy { regular, accessory, prohibited };

class AppDelegate : public std::enable_shared_from_this<AppDelegate> {
 public:
  // application: where the delegate's windows are registered, so that the application runs
  // while one is shown (may be null in tests). manager: the wallpaper state (the shared
  // instance when null). The application starts as an accessory (menu-bar) application.
  static std::shared_ptr<AppDelegate> make(Glib::RefPtr<Gtk::Application> application = {},
                                             AerialManager* manager = nullptr);

  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;
  ~AppDelegate();

  // The open Share panel window (strong reference); empty at launch and after it closed.
  const std::shared_ptr<Gtk::Window>& sharePanel() const { return sharePanel_; }

  // The Browse window, when the application shows one (it is one of the stored windows
  // that decide the activation policy when a window closes).
  const std::shared_ptr<Gtk::Window>& browseWindow() const { return browseWindow_; }
  void setBrowseWindow(std::shared_ptr<Gtk::Window> window);

  // Opens the Share panel of the current wallpaper, or brings the visible one forward.
  void shareCurrentWallpaper();

  // Makes the application regular at once; then, on the main queue, shows the window, brings
  // it to the front and focuses it, and calls the completion when there is one.
  void activateAppForWindow(const std::shared_ptr<Gtk::Window>& window,
                            std::function<void()> completion = {});

  // The window-will-close handling. window: the closing window, or null when what closes
  // is not a window. Empties the stored field that holds the window; then, unless another
  // stored window is visible, makes the application an accessory again.
  void windowWillClose(Gtk::Window* window);

  ActivationPolicy activationPolicy() const { return activationPolicy_; }
  void setActivationPolicy(ActivationPolicy policy) { activationPolicy_ = policy; }

  AerialManager& aerialManager() const { return manager_; }

 private:
  AppDelegate(Glib::RefPtr<Gtk::Application> application, AerialManager& manager);
  // Stores a window and has its closing run windowWillClose.
  void watchWindow(Gtk::Window& window);
  // Drops a window reference later, never inside the window's own signal.
  static void releaseLater(std::shared_ptr<Gtk::Window> window);

  Glib::RefPtr<Gtk::Application> application_;
  AerialManager& manager_;
  std::shared_ptr<Gtk::Window> browseWindow_;
  std::shared_ptr<Gtk::Window> sharePanel_;
  ActivationPolicy activationPolicy_ = ActivationPolicy::accessory;
};
