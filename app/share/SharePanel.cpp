#include "app/share/SharePanel.hpp"

#include <utility>

#include <gtkmm/settings.h>

#include "app/share/ShareLink.hpp"
#include "app/share/ShareQRImage.hpp"

std::shared_ptr<Gtk::Window> makeSharePanelWindow(const std::string& shareURL,
                                                  const std::string& wallpaperTitle,
                                                  std::shared_ptr<SharePanelViewModel> viewModel,
                                                  std::function<void()> onClose) {
  // The panel prefers the dark colour scheme.
  if (auto settings = Gtk::Settings::get_default()) {
    settings->property_gtk_application_prefer_dark_theme() = true;
  }
  auto window = std::make_shared<Gtk::Window>();
  auto* view = Gtk::make_managed<SharePanelView>(shareURL, wallpaperTitle, std::move(viewModel),
                                                 std::move(onClose));
  window->set_title(std::string(sharePanelTitlePrefix) + wallpaperTitle);
  window->add(*view);
  window->set_size_request(sharePanelWidth, sharePanelHeight);
  window->set_default_size(sharePanelWidth, sharePanelHeight);
  window->set_resizable(false);
  window->set_deletable(true);
  // A dialog-type window: title bar with a close button only.
  window->set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  window->set_position(Gtk::WIN_POS_CENTER);
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
          viewModel->setThumbnail(platformImageAtPixelSize(std::move(*thumbnail)));
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
