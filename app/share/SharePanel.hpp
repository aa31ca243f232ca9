#pragma once
// The Share panel window and the task that fills it.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <gtkmm/window.h>

#include "app/engine/AerialManager.hpp"
#include "app/share/SharePanelView.hpp"
#include "app/share/SharePanelViewModel.hpp"
#include "platform/foundation/Dispatch.hpp"

inline constexpr int sharePanelWidth = 503;
inline constexpr int sharePanelHeight = 362;
inline constexpr std::string_view sharePanelTitlePrefix = "Share this wallpaper: ";
// The title bar's buttons: none on the left, close on the right.
inline constexpr std::string_view sharePanelDecorationLayout = ":close";
// The fill task starts this long after the panel was opened.
inline constexpr double shareFillTaskDelay = 0.2;

// A new panel window, not shown yet: a SharePanelView of the link, title and view model as
// its 503 x 362 content, in the dark colour scheme, centred on the screen; titled "Share
// this wallpaper: " and the title in its own header bar, whose only button is close and
// which shortens a long title with an ellipsis (the window keeps its size and its full
// title); not resizable, offered to the window manager for moving and closing only, and
// brought straight back when minimised, maximised or made full screen anyway. The copy
// button has the keyboard focus and is the window's default; Escape closes the window.
std::shared_ptr<Gtk::Window> makeSharePanelWindow(const std::string& shareURL,
                                                  const std::string& wallpaperTitle,
                                                  std::shared_ptr<SharePanelViewModel> viewModel,
                                                  std::function<void()> onClose);

// The panel's view inside a window made above (null for other windows).
SharePanelView* sharePanelViewOf(Gtk::Window& window);

// The fill task, run on the main thread: renders the QR image of the link with
// "&utm_content=qr_code", waits for the thumbnail of the current wallpaper, then publishes
// both (the QR image first) in one main-queue step. The task keeps the link and the view
// model until it ends, so it finishes harmlessly after its panel closed.
void runShareFillTask(std::string shareURL, std::shared_ptr<SharePanelViewModel> viewModel,
                      const AerialManager& manager);

// Starts runShareFillTask on the main queue shareFillTaskDelay seconds from now.
foundation::WorkItemPtr scheduleShareFillTask(std::string shareURL,
                                              std::shared_ptr<SharePanelViewModel> viewModel,
                                              const AerialManager& manager);
