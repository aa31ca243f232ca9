#include "app/shell/AppDelegate.hpp"

#include <array>
#include <string>
#include <utility>

#include "app/share/ShareLink.hpp"
#include "app/share/SharePanel.hpp"
#include "app/share/SharePanelViewModel.hpp"
#include "platform/foundation/Dispatch.hpp"

std::shared_ptr<AppDelegate> AppDelegate::make(Glib::RefPtr<Gtk::Application> application,
                                                 AerialManager* manager) {
  return std::shared_ptr<AppDelegate>(
      new AppDelegate(std::move(application), manager ? *manager : AerialManager::shared()));
}

AppDelegate::AppDelegate(Glib::RefPtr<Gtk::Application> application, AerialManager& manager)
    : application_(std::move(application)), manager_(manager) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::setBrowseWindow(std::shared_ptr<Gtk::Window> window) {
  if (window == browseWindow_) return;
  if (window) watchWindow(*window);
  releaseLater(std::exchange(browseWindow_, std::move(window)));
}

void AppDelegate::shareCurrentWallpaper() {
  std::string link = sharelink::plainLink(manager_.shareSlug());

  // A visible panel is only brought forward; a hidden one is replaced below.
  if (sharePanel_ && sharePanel_->get_visible()) {
    activateAppForWindow(sharePanel_);
    return;
  }

  const std::string title = manager_.displayTitle();
  auto viewModel = std::make_shared<SharePanelViewModel>();
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  auto onClose = [weakSelf] {
    if (auto self = weakSelf.lock(); self && self->sharePanel_) self->sharePanel_->close();
  };
  auto window = makeSharePanelWindow(link, title, viewModel, std::move(onClose));
  watchWindow(*window);

  releaseLater(std::exchange(sharePanel_, std::move(window)));
  activateAppForWindow(sharePanel_);
  scheduleShareFillTask(std::move(link), std::move(viewModel), manager_);
}

void AppDelegate::activateAppForWindow(const std::shared_ptr<Gtk::Window>& window,
                                       std::function<void()> completion) {
  activationPolicy_ = ActivationPolicy::regular;
  foundation::DispatchQueue::main().async([window, completion = std::move(completion)] {
    if (window) {
      window->show();
      window->present();  // raise and focus
    }
    if (completion) completion();
  });
}

void AppDelegate::windowWillClose(Gtk::Window* window) {
  if (window) {
    if (sharePanel_.get() == window) releaseLater(std::move(sharePanel_));
    if (browseWindow_.get() == window) releaseLater(std::move(browseWindow_));
  }
  // The stored windows in order: Browse window, Share panel.
  const std::array<Gtk::Window*, 2> stored{browseWindow_.get(), sharePanel_.get()};
  for (Gtk::Window* w : stored) {
    if (!w || (window && w == window)) continue;
    if (w->get_visible()) return;
  }
  activationPolicy_ = ActivationPolicy::accessory;
}

void AppDelegate::watchWindow(Gtk::Window& window) {
  // The application runs while one of its windows is shown.
  if (application_) application_->add_window(window);
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  Gtk::Window* closing = &window;
  window.signal_hide().connect([weakSelf, closing] {
    if (auto self = weakSelf.lock()) self->windowWillClose(closing);
  });
}

void AppDelegate::releaseLater(std::shared_ptr<Gtk::Window> window) {
  if (!window) return;
  foundation::DispatchQueue::main().async([window = std::move(window)]() mutable { window.reset(); });
}
