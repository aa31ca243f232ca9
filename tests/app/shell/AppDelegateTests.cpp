#include "app/shell/AppDelegate.hpp"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <gtkmm/clipboard.h>

#include "app/share/ShareLink.hpp"
#include "app/share/SharePanel.hpp"
#include "app/share/SharePanelView.hpp"
#include "app/share/SharePanelTestHarness.hpp"
#include "support/Raster.hpp"

using foundation::DispatchClock;
using foundation::drainMainQueue;
using foundation::runMainLoopUntil;

namespace {

// The shared wallpaper state of this program reads the XDG folders, so they point at a
// temporary folder with a current wallpaper and its cached video before any test runs.
class WallpaperEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::make_unique<panelharness::TempDir>();
    const auto config = dir_->path() / "config";
    const auto data = dir_->path() / "data";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    panelharness::writeFile(config / "vidlumen" / "settings.json",
                            R"({"vidLumen.currentWallpaperId": "aB3dE",)"
                            R"( "vidLumen.currentWallpaperName": "northern lights"})");
    videoMade_ = panelharness::makeTestVideo(data / "vidlumen" / "videos" / "aB3dE.mov");
  }
  void TearDown() override { dir_.reset(); }
  static bool videoMade() { return videoMade_; }

 private:
  std::unique_ptr<panelharness::TempDir> dir_;
  static inline bool videoMade_ = false;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WallpaperEnvironment);

const std::string kLink =
    "https://vidlumen.com/wallpaper/northern%20lights-aB3dE"
    "?utm_source=macos_app&utm_medium=share_current_wallpaper";

class AppDelegateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!panelharness::startGtk()) GTEST_FAIL() << "no display: run the GUI tests under xvfb-run";
    DispatchClock::setManual(true);
    delegate_ = AppDelegate::make();
  }
  void TearDown() override {
    delegate_.reset();
    DispatchClock::advance(10.0);
    drainMainQueue();
    DispatchClock::setManual(false);
  }

  SharePanelView& view() { return *sharePanelViewOf(*delegate_->sharePanel()); }

  // Visible windows titled like the panel.
  static int visiblePanels() {
    int count = 0;
    for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
      if (w->get_visible() && w->get_title().find(std::string(sharePanelTitlePrefix)) == 0) ++count;
    }
    return count;
  }

  std::shared_ptr<AppDelegate> delegate_;
};

TEST_F(AppDelegateTest, AtLaunchThereIsNoPanelAndTheApplicationIsAnAccessory) {
  EXPECT_FALSE(delegate_->sharePanel());
  EXPECT_FALSE(delegate_->browseWindow());
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::accessory);
  EXPECT_EQ(&delegate_->aerialManager(), &AerialManager::shared());
}

TEST_F(AppDelegateTest, OpeningShowsThePanelOfTheCurrentWallpaper) {
  delegate_->shareCurrentWallpaper();
  ASSERT_TRUE(delegate_->sharePanel());
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::regular) << "at once";
  EXPECT_FALSE(delegate_->sharePanel()->get_visible()) << "shown from the main queue";
  drainMainQueue();
  EXPECT_TRUE(delegate_->sharePanel()->get_visible());
  EXPECT_EQ(delegate_->sharePanel()->get_title(), "Share this wallpaper: Northern Lights");
  EXPECT_EQ(view().shareURL(), kLink);
  EXPECT_EQ(view().wallpaperTitle(), "Northern Lights");
  EXPECT_TRUE(view().isSpinnerShowing());
  EXPECT_FALSE(view().viewModel()->qrCode());
  EXPECT_EQ(visiblePanels(), 1);
}

TEST_F(AppDelegateTest, ChoosingItAgainWhileVisibleBringsTheSamePanelForward) {
  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  const auto first = delegate_->sharePanel();
  const auto firstModel = view().viewModel();
  delegate_->setActivationPolicy(ActivationPolicy::accessory);
  delegate_->shareCurrentWallpaper();
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::regular);
  drainMainQueue();
  EXPECT_EQ(delegate_->sharePanel(), first);
  EXPECT_EQ(view().viewModel(), firstModel);
  EXPECT_EQ(visiblePanels(), 1);
}

TEST_F(AppDelegateTest, ClosingEmptiesThePanelAndReopeningBuildsAFreshOne) {
  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  DispatchClock::advance(0.2);  // the fill task starts 0.2 s after opening
  drainMainQueue();
  ASSERT_TRUE(runMainLoopUntil([&] { return view().viewModel()->qrCode().has_value(); }, 60.0));
  const auto oldModel = view().viewModel();

  delegate_->sharePanel()->close();  // as the title bar's close button does
  drainMainQueue();
  EXPECT_FALSE(delegate_->sharePanel());
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::accessory);
  EXPECT_EQ(visiblePanels(), 0);

  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  ASSERT_TRUE(delegate_->sharePanel());
  EXPECT_NE(view().viewModel(), oldModel);
  EXPECT_FALSE(view().viewModel()->qrCode());
  EXPECT_FALSE(view().viewModel()->thumbnail());
  EXPECT_TRUE(view().isSpinnerShowing());
  EXPECT_EQ(visiblePanels(), 1);
}

TEST_F(AppDelegateTest, TheViewsCloseClosureClosesThePanel) {
  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  const auto onClose = view().onClose();
  onClose();
  drainMainQueue();
  EXPECT_FALSE(delegate_->sharePanel());
  EXPECT_EQ(visiblePanels(), 0);
  onClose();  // nothing stored: nothing happens
  // A closure that outlived its delegate does nothing either.
  delegate_.reset();
  onClose();
  delegate_ = AppDelegate::make();
}

TEST_F(AppDelegateTest, ClosingWhileTheBrowseWindowIsVisibleKeepsTheRegularPolicy) {
  auto browse = std::make_shared<Gtk::Window>();
  browse->set_title("Browse");
  delegate_->setBrowseWindow(browse);
  delegate_->activateAppForWindow(browse);
  drainMainQueue();
  ASSERT_TRUE(browse->get_visible());

  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  delegate_->sharePanel()->close();
  drainMainQueue();
  EXPECT_FALSE(delegate_->sharePanel());
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::regular);

  browse->close();
  drainMainQueue();
  EXPECT_FALSE(delegate_->browseWindow());
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::accessory);
  browse.reset();
  drainMainQueue();
}

TEST_F(AppDelegateTest, ClosingTheBrowseWindowWhileThePanelIsVisibleKeepsRegular) {
  auto browse = std::make_shared<Gtk::Window>();
  delegate_->setBrowseWindow(browse);
  delegate_->activateAppForWindow(browse);
  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  browse->close();
  drainMainQueue();
  EXPECT_FALSE(delegate_->browseWindow());
  ASSERT_TRUE(delegate_->sharePanel());
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::regular);
  browse.reset();
  drainMainQueue();
}

TEST_F(AppDelegateTest, ANotificationWithoutAWindowTestsEveryStoredWindow) {
  delegate_->setActivationPolicy(ActivationPolicy::regular);
  delegate_->windowWillClose(nullptr);
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::accessory) << "nothing visible";

  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  delegate_->windowWillClose(nullptr);
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::regular) << "the panel is visible";
  EXPECT_TRUE(delegate_->sharePanel()) << "nothing is emptied";
}

TEST_F(AppDelegateTest, AnUnknownClosingWindowEmptiesNothing) {
  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  Gtk::Window stranger;
  delegate_->windowWillClose(&stranger);
  EXPECT_TRUE(delegate_->sharePanel());
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::regular);
}

TEST_F(AppDelegateTest, ActivateCallsTheCompletionAfterShowing) {
  auto window = std::make_shared<Gtk::Window>();
  bool completed = false;
  bool visibleAtCompletion = false;
  delegate_->activateAppForWindow(window, [&] {
    completed = true;
    visibleAtCompletion = window->get_visible();
  });
  EXPECT_EQ(delegate_->activationPolicy(), ActivationPolicy::regular);
  EXPECT_FALSE(completed);
  drainMainQueue();
  EXPECT_TRUE(completed);
  EXPECT_TRUE(visibleAtCompletion);
  window->hide();
}

TEST_F(AppDelegateTest, PanelShowsTheCodeOfTheLinkAndCopiesIt) {
  ASSERT_TRUE(WallpaperEnvironment::videoMade());
  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  DispatchClock::advance(0.2);  // the fill task starts 0.2 s after opening
  drainMainQueue();
  ASSERT_TRUE(runMainLoopUntil([&] { return view().viewModel()->thumbnail().has_value(); }, 60.0));
  DispatchClock::advance(0.3);  // the 0.3 s fade of the thumbnail
  drainMainQueue();

  const gfx::Image shot = panelharness::captureWindow(*delegate_->sharePanel());
  ASSERT_FALSE(shot.empty());
  const auto decoded = testsupport::decodeImage(shot);
  EXPECT_EQ(decoded.zxing, std::vector<std::string>{kLink + "&utm_content=qr_code"});

  view().copyButton().clicked();
  EXPECT_EQ(Gtk::Clipboard::get()->wait_for_text(), kLink + "&utm_content=copy_link_button");
  EXPECT_EQ(view().copyButtonTitle(), "Copied!");
  DispatchClock::advance(2.0);  // "Copied!" shows for 2.0 s
  drainMainQueue();
  EXPECT_EQ(view().copyButtonTitle(), "Copy Link");
}

TEST_F(AppDelegateTest, AFillTaskOutlivesItsDelegateHarmlessly) {
  delegate_->shareCurrentWallpaper();
  drainMainQueue();
  auto model = view().viewModel();
  delegate_.reset();  // closes and releases the panel
  drainMainQueue();
  DispatchClock::advance(0.2);  // the fill task starts 0.2 s after opening
  drainMainQueue();
  ASSERT_TRUE(runMainLoopUntil([&] { return model->qrCode().has_value(); }, 60.0));
  delegate_ = AppDelegate::make();
}

TEST(ApplicationRun, EndsWhenItsLastWindowCloses) {
  ASSERT_TRUE(panelharness::startGtk());
  auto application = Gtk::Application::create("com.vidlumen.tests", Gio::APPLICATION_NON_UNIQUE);
  std::shared_ptr<AppDelegate> delegate;
  bool shown = false;
  bool gaveUp = false;
  application->signal_activate().connect([&] {
    delegate = AppDelegate::make(application);
    delegate->shareCurrentWallpaper();
    // Runs after the panel was shown: close it as the user would.
    foundation::DispatchQueue::main().async([&] {
      shown = delegate->sharePanel() && delegate->sharePanel()->get_visible();
      if (delegate->sharePanel()) delegate->sharePanel()->close();
    });
  });
  // A guard so that a failure ends the test instead of hanging it.
  auto guard = Glib::signal_timeout().connect_seconds(
      [&] {
        gaveUp = true;
        application->quit();
        return false;
      },
      60);
  const int status = application->run();
  guard.disconnect();
  EXPECT_FALSE(gaveUp) << "the application did not end when its window closed";
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(shown);
  ASSERT_TRUE(delegate);
  EXPECT_FALSE(delegate->sharePanel());
  EXPECT_EQ(delegate->activationPolicy(), ActivationPolicy::accessory);
  drainMainQueue();
  delegate.reset();
  drainMainQueue();
}

}  // namespace
