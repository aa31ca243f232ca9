#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <gdk/gdkkeysyms.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/headerbar.h>
#include <nlohmann/json.hpp>

#include "app/engine/AerialManager.hpp"
#include "app/share/ShareLink.hpp"
#include "app/share/SharePanel.hpp"
#include "app/share/SharePanelView.hpp"
#include "app/share/SharePanelViewModel.hpp"
#include "app/share/ShareQRImage.hpp"
#include "support/Raster.hpp"
#include "SharePanelTestHarness.hpp"

// Xlib after every glibmm, gdkmm and gtkmm header: its macros clash with their names.
#include <gdk/gdkx.h>

namespace fs = std::filesystem;
using foundation::DispatchClock;
using foundation::drainMainQueue;
using foundation::runMainLoopUntil;
using panelharness::TempDir;

namespace {

// An opaque copy of a premultiplied image laid over black (white-on-clear codes become
// white on black, which the decoders read inverted).
gfx::Image overBlack(const gfx::Image& image) {
  std::vector<std::uint8_t> pixels(image.pixels().begin(), image.pixels().end());
  for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  return gfx::Image::make(image.width(), image.height(), std::move(pixels));
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// ---------------------------------------------------------------------------------------
// The link

TEST(ShareLink, PlainLinkAndItsTwoVariants) {
  const std::string link = sharelink::plainLink("northern%20lights-aB3dE");
  EXPECT_EQ(link,
            "https://vidlumen.com/wallpaper/northern%20lights-aB3dE"
            "?utm_source=macos_app&utm_medium=share_current_wallpaper");
  const std::string qr = link + std::string(sharelink::qrCodeSuffix);
  const std::string copied = link + std::string(sharelink::copyLinkSuffix);
  EXPECT_EQ(qr.substr(link.size()), "&utm_content=qr_code");
  EXPECT_EQ(copied.substr(link.size()), "&utm_content=copy_link_button");
  // The three differ only in the last query item.
  GError* error = nullptr;
  GUri* uri = g_uri_parse(copied.c_str(), G_URI_FLAGS_ENCODED, &error);
  ASSERT_NE(uri, nullptr);
  EXPECT_STREQ(g_uri_get_host(uri), "vidlumen.com");
  EXPECT_STREQ(g_uri_get_path(uri), "/wallpaper/northern%20lights-aB3dE");
  EXPECT_STREQ(g_uri_get_query(uri),
               "utm_source=macos_app&utm_medium=share_current_wallpaper&utm_content=copy_link_button");
  g_uri_unref(uri);
}

// ---------------------------------------------------------------------------------------
// The QR image

TEST(ShareQRImage, WhiteRoundedCodeOnClearThatDecodes) {
  const std::string text = sharelink::plainLink("waves-dp3YBose") + "&utm_content=qr_code";
  const auto image = makeShareQRImage(text);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size.width, 300.0);
  EXPECT_EQ(image->size.height, 300.0);
  const gfx::Image& bitmap = image->cgImage;
  ASSERT_EQ(bitmap.width(), 300);
  ASSERT_EQ(bitmap.height(), 300);

  // Every pixel is clear, white or a white edge: never a colour, never grey on its own.
  std::size_t clear = 0, white = 0;
  int minX = 300, minY = 300, maxX = -1, maxY = -1;
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 300; ++x) {
      const auto p = bitmap.pixelAt(x, y);
      ASSERT_TRUE(p.r == p.a && p.g == p.a && p.b == p.a) << x << "," << y;
      if (p.a == 0) ++clear;
      if (p.a == 255) ++white;
      if (p.a > 0) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
      }
    }
  }
  EXPECT_GT(clear, 300u * 300u * 2 / 5) << "a transparent ground";
  EXPECT_GT(white, 300u * 300u / 5) << "white modules";
  // The rounded-rectangle eye leaves the outermost corner of the symbol clear.
  EXPECT_EQ(bitmap.pixelAt(minX, minY).a, 0);
  EXPECT_EQ(bitmap.pixelAt(maxX, minY).a, 0);
  EXPECT_EQ(bitmap.pixelAt(minX, maxY).a, 0);

  const auto decoded = testsupport::decodeImage(overBlack(bitmap));
  EXPECT_EQ(decoded.zxing, std::vector<std::string>{text});
  EXPECT_EQ(decoded.zbar, std::vector<std::string>{text});
}

TEST(ShareQRImage, TooLongTextGivesNone) {
  // More than a version-40 symbol holds at level medium.
  EXPECT_FALSE(makeShareQRImage(std::string(5000, 'x')));
}

TEST(ShareQRImage, OddTextStillDecodes) {
  for (const std::string& text :
       {std::string("https://vidlumen.com/wallpaper/%C3%A9t%C3%A9-z?x=1&utm_content=qr_code"),
        std::string("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"), std::string("a")}) {
    const auto image = makeShareQRImage(text);
    ASSERT_TRUE(image) << text;
    const auto decoded = testsupport::decodeImage(overBlack(image->cgImage));
    EXPECT_TRUE(contains(decoded.zxing, text)) << text;
  }
}

// ---------------------------------------------------------------------------------------
// The panel

class SharePanelGui : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!panelharness::startGtk()) GTEST_FAIL() << "no display: run the GUI tests under xvfb-run";
    DispatchClock::setManual(true);
    locations_ = AerialManager::Locations{
        .settingsFile = dir_.path() / "config" / "vidlumen" / "settings.json",
        .rootFolder = dir_.path() / "data" / "vidlumen"};
  }
  void TearDown() override {
    window_.reset();
    // Let every timer of the panel come due, then return to the steady clock.
    DispatchClock::advance(10.0);
    drainMainQueue();
    DispatchClock::setManual(false);
  }

  void storeWallpaper(const std::string& id, const std::string& name) {
    nlohmann::json settings = nlohmann::json::object();
    settings[std::string(AerialManager::currentWallpaperIdKey)] = id;
    settings[std::string(AerialManager::currentWallpaperNameKey)] = name;
    panelharness::writeFile(locations_.settingsFile, settings.dump());
  }
  fs::path videoFile(const std::string& id) const {
    return locations_.rootFolder / "videos" / (id + ".mov");
  }

  // Opens a panel for the manager the way the application delegate does.
  void openPanel() {
    // A fill task still due keeps its manager: earlier ones stay until the test ends.
    if (manager_) retiredManagers_.push_back(std::move(manager_));
    manager_ = std::make_unique<AerialManager>(locations_);
    link_ = sharelink::plainLink(manager_->shareSlug());
    viewModel_ = std::make_shared<SharePanelViewModel>();
    closes_ = 0;
    window_ = makeSharePanelWindow(link_, manager_->displayTitle(), viewModel_, [this] { ++closes_; });
    window_->show();
    window_->present();
    scheduleShareFillTask(link_, viewModel_, *manager_);
    drainMainQueue();
  }
  SharePanelView& view() { return *sharePanelViewOf(*window_); }

  // Starts the fill task and waits until both images are published.
  void fill() {
    DispatchClock::advance(0.2);  // the fill task starts 0.2 s after opening
    drainMainQueue();
    // Both images are published in one step; the QR image always comes.
    ASSERT_TRUE(runMainLoopUntil([&] { return viewModel_->qrCode().has_value(); }, 60.0));
    // Let the thumbnail finish fading in.
    DispatchClock::advance(0.3);  // the 0.3 s fade of the thumbnail
    drainMainQueue();
  }

  TempDir dir_;
  AerialManager::Locations locations_;
  std::vector<std::unique_ptr<AerialManager>> retiredManagers_;
  std::unique_ptr<AerialManager> manager_;
  std::string link_;
  std::shared_ptr<SharePanelViewModel> viewModel_;
  std::shared_ptr<Gtk::Window> window_;
  int closes_ = 0;
};

TEST_F(SharePanelGui, WindowSizeTitleAndFirstState) {
  storeWallpaper("aB3dE", "northern lights");
  openPanel();
  EXPECT_EQ(window_->get_title(), "Share this wallpaper: Northern Lights");
  EXPECT_FALSE(window_->get_resizable());
  EXPECT_TRUE(window_->get_deletable());
  ASSERT_TRUE(panelharness::waitForDraw(*window_));
  auto& v = view();
  EXPECT_EQ(v.get_allocated_width(), sharePanelWidth) << "the content, below the title bar";
  EXPECT_EQ(v.get_allocated_height(), sharePanelHeight);
  EXPECT_EQ(v.shareURL(), link_);
  EXPECT_EQ(v.wallpaperTitle(), "Northern Lights");
  EXPECT_FALSE(v.copied());
  EXPECT_EQ(v.copyButtonTitle(), "Copy Link");
  EXPECT_EQ(v.copyButtonIconName(), "edit-copy-symbolic");
  EXPECT_TRUE(v.isSpinnerShowing());
  EXPECT_FALSE(v.isQRTileShowing());
  EXPECT_EQ(v.thumbnailArea().get_allocated_width(), 455);
  EXPECT_EQ(v.thumbnailArea().get_allocated_height(), 256);
  EXPECT_EQ(v.copyButton().get_allocated_width(), 455);
  EXPECT_EQ(v.copyButton().get_allocated_height(), 34);
  // The close closure is the opener's.
  ASSERT_TRUE(v.onClose());
  v.onClose()();
  EXPECT_EQ(closes_, 1);
}

// The style classes of GTK's own title-bar buttons ("close", "minimize", "maximize") under
// a widget, in the order they are laid out.
void collectTitleButtons(GtkWidget* widget, std::vector<std::string>& kinds) {
  GtkStyleContext* style = gtk_widget_get_style_context(widget);
  if (gtk_style_context_has_class(style, "titlebutton") && gtk_widget_get_visible(widget)) {
    for (const char* kind : {"close", "minimize", "maximize"}) {
      if (gtk_style_context_has_class(style, kind)) kinds.emplace_back(kind);
    }
  }
  if (GTK_IS_CONTAINER(widget)) {
    // forall, unlike foreach, also reaches the header bar's internal button boxes.
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) {
          collectTitleButtons(child, *static_cast<std::vector<std::string>*>(data));
        },
        &kinds);
  }
}

TEST_F(SharePanelGui, TitleBarOffersCloseOnly) {
  storeWallpaper("aB3dE", "northern lights");
  openPanel();
  ASSERT_TRUE(panelharness::waitForDraw(*window_));
  auto* titleBar = dynamic_cast<Gtk::HeaderBar*>(window_->get_titlebar());
  ASSERT_TRUE(titleBar) << "the panel draws its own title bar";
  EXPECT_EQ(titleBar->get_title(), "Share this wallpaper: Northern Lights");
  EXPECT_EQ(titleBar->get_decoration_layout(), ":close");
  std::vector<std::string> buttons;
  collectTitleButtons(GTK_WIDGET(titleBar->gobj()), buttons);
  EXPECT_EQ(buttons, std::vector<std::string>{"close"});
  EXPECT_FALSE(window_->get_resizable());

  // What the window manager is told (_MOTIF_WM_HINTS, read back from the X server): the
  // window can be moved and closed, nothing else, and brings its own decorations.
  GdkWindow* gdkWindow = window_->get_window()->gobj();
  ASSERT_TRUE(GDK_IS_X11_WINDOW(gdkWindow));
  Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
  const Atom hintsAtom = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(display, GDK_WINDOW_XID(gdkWindow), hintsAtom, 0, 5, False,
                               AnyPropertyType, &type, &format, &count, &remaining, &data),
            Success);
  ASSERT_TRUE(data);
  ASSERT_EQ(format, 32);
  ASSERT_GE(count, 3u);
  const auto* hints = reinterpret_cast<const unsigned long*>(data);
  // Fields: flags (1 functions, 2 decorations), functions, decorations.
  constexpr unsigned long kFunctionsGiven = 1, kDecorationsGiven = 2;
  constexpr unsigned long kMove = 4, kClose = 32;
  EXPECT_EQ(hints[0] & (kFunctionsGiven | kDecorationsGiven), kFunctionsGiven | kDecorationsGiven);
  EXPECT_EQ(hints[1], kMove | kClose) << "no resize (2), minimise (8) or maximise (16)";
  EXPECT_EQ(hints[2], 0u) << "no frame from the window manager";
  XFree(data);
}

// GTK's own close button in the title bar, or null.
GtkWidget* findCloseButton(GtkWidget* widget) {
  GtkStyleContext* style = gtk_widget_get_style_context(widget);
  if (gtk_style_context_has_class(style, "titlebutton") &&
      gtk_style_context_has_class(style, "close")) {
    return widget;
  }
  GtkWidget* found = nullptr;
  if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) {
          auto** result = static_cast<GtkWidget**>(data);
          if (!*result) *result = findCloseButton(child);
        },
        &found);
  }
  return found;
}

// The label under a widget that shows the given text, or null.
GtkLabel* findLabel(GtkWidget* widget, const std::string& text) {
  if (GTK_IS_LABEL(widget) && text == gtk_label_get_text(GTK_LABEL(widget))) {
    return GTK_LABEL(widget);
  }
  GtkLabel* found = nullptr;
  if (GTK_IS_CONTAINER(widget)) {
    struct Search {
      const std::string* text;
      GtkLabel** found;
    } search{&text, &found};
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) {
          auto* s = static_cast<Search*>(data);
          if (!*s->found) *s->found = findLabel(child, *s->text);
        },
        &search);
  }
  return found;
}

TEST_F(SharePanelGui, LongNamesKeepThePanelsSizeAndShortenOnlyTheBarsTitle) {
  std::string twelve, forty;
  for (int i = 0; i < 40; ++i) {
    forty += (i ? " word" : "word") + std::to_string(i);
    if (i < 12) twelve += (i ? " word" : "word") + std::to_string(i);
  }
  const std::string unbroken(300, 'x');
  struct Measured {
    int windowWidth, windowHeight;
  };
  std::optional<Measured> shortName;
  for (const std::string& name : {std::string("waves"), twelve, forty, unbroken}) {
    SCOPED_TRACE(name.substr(0, 20));
    window_.reset();
    storeWallpaper("aB3dE", name);
    openPanel();
    ASSERT_TRUE(panelharness::waitForDraw(*window_));
    const std::string title = "Share this wallpaper: " + manager_->displayTitle();
    // The window list still gets the whole title.
    EXPECT_EQ(window_->get_title(), title);

    // The X window, as the window manager and the screen see it.
    const Measured measured{window_->get_window()->get_width(),
                            window_->get_window()->get_height()};
    if (!shortName) shortName = measured;
    EXPECT_EQ(measured.windowWidth, shortName->windowWidth) << "as wide as with a short name";
    EXPECT_EQ(measured.windowHeight, shortName->windowHeight);
    EXPECT_LT(measured.windowWidth, sharePanelWidth + 40) << "the content and a frame at most";
    EXPECT_EQ(view().get_allocated_width(), sharePanelWidth);
    EXPECT_EQ(view().get_allocated_height(), sharePanelHeight);

    // The title bar spans the content, shows the title, shortened where it does not fit,
    // and its close button lies inside the window.
    auto* titleBar = dynamic_cast<Gtk::HeaderBar*>(window_->get_titlebar());
    ASSERT_TRUE(titleBar);
    EXPECT_TRUE(titleBar->get_mapped());
    EXPECT_EQ(titleBar->get_allocated_width(), sharePanelWidth);
    EXPECT_EQ(titleBar->get_title(), title);
    GtkLabel* titleLabel = findLabel(GTK_WIDGET(titleBar->gobj()), title);
    ASSERT_TRUE(titleLabel);
    EXPECT_TRUE(gtk_widget_get_mapped(GTK_WIDGET(titleLabel)));
    EXPECT_EQ(pango_layout_is_ellipsized(gtk_label_get_layout(titleLabel)) != FALSE,
              name != "waves");
    GtkWidget* close = findCloseButton(GTK_WIDGET(titleBar->gobj()));
    ASSERT_TRUE(close);
    EXPECT_TRUE(gtk_widget_get_mapped(close));
    int closeX = 0, closeY = 0;
    ASSERT_TRUE(gtk_widget_translate_coordinates(close, GTK_WIDGET(window_->gobj()), 0, 0,
                                                 &closeX, &closeY));
    const gfx::Rect content = panelharness::frameInWindow(view(), *window_);
    EXPECT_GT(gtk_widget_get_allocated_width(close), 0);
    EXPECT_GE(closeX, content.origin.x + sharePanelWidth / 2);
    EXPECT_LE(closeX + gtk_widget_get_allocated_width(close),
              content.origin.x + sharePanelWidth);
    EXPECT_LT(closeY, content.origin.y) << "above the content";
    if (name == twelve) {
      const gfx::Image shot = panelharness::captureWindow(*window_);
      testsupport::writeImagePNG(shot, "panel-long-name.png");
    }
  }
}

TEST_F(SharePanelGui, KeyboardCopiesWithEnterOrSpaceAndClosesWithEscape) {
  storeWallpaper("aB3dE", "northern lights");
  for (const guint key : {GDK_KEY_Return, GDK_KEY_space, GDK_KEY_KP_Enter}) {
    SCOPED_TRACE(gdk_keyval_name(key));
    openPanel();
    ASSERT_TRUE(panelharness::waitForDraw(*window_));
    auto& v = view();
    EXPECT_TRUE(v.copyButton().has_focus());
    EXPECT_TRUE(v.copyButton().has_default());
    auto clipboard = Gtk::Clipboard::get();
    clipboard->set_text("something else");
    ASSERT_TRUE(panelharness::sendKey(*window_, key));
    // A button activated from the keyboard shows itself pressed for a moment, then clicks.
    EXPECT_TRUE(runMainLoopUntil([&] { return v.copied(); }, 10.0));
    EXPECT_EQ(v.copyButtonTitle(), "Copied!");
    EXPECT_EQ(clipboard->wait_for_text(), link_ + "&utm_content=copy_link_button");
    EXPECT_TRUE(window_->get_visible());
    window_.reset();
  }
  openPanel();
  ASSERT_TRUE(panelharness::waitForDraw(*window_));
  ASSERT_TRUE(window_->get_visible());
  ASSERT_TRUE(panelharness::sendKey(*window_, GDK_KEY_Escape));
  drainMainQueue();
  EXPECT_FALSE(window_->get_visible());
  EXPECT_FALSE(view().copied());
}

TEST_F(SharePanelGui, FillTaskStartsAfterTwoTenthsAndPublishesBothTogether) {
  storeWallpaper("aB3dE", "northern lights");
  ASSERT_TRUE(panelharness::makeTestVideo(videoFile("aB3dE")));
  openPanel();
  struct Seen {
    bool qr, thumbnail;
  };
  std::vector<Seen> changes;
  viewModel_->signalChanged().connect(
      [&] { changes.push_back({viewModel_->qrCode().has_value(), viewModel_->thumbnail().has_value()}); });

  DispatchClock::advance(0.2 - 0.001);
  drainMainQueue();
  EXPECT_TRUE(changes.empty()) << "the task waits 0.2 s";
  DispatchClock::advance(0.001);
  drainMainQueue();
  ASSERT_TRUE(runMainLoopUntil([&] { return changes.size() >= 2; }, 60.0));
  drainMainQueue();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_TRUE(changes[0].qr);
  EXPECT_FALSE(changes[0].thumbnail) << "the QR code is published first";
  EXPECT_TRUE(changes[1].qr);
  EXPECT_TRUE(changes[1].thumbnail);
  ASSERT_TRUE(viewModel_->thumbnail());
  EXPECT_EQ(viewModel_->thumbnail()->size.width, viewModel_->thumbnail()->cgImage.width());
  EXPECT_EQ(viewModel_->thumbnail()->size.height, viewModel_->thumbnail()->cgImage.height());
  EXPECT_FALSE(view().isSpinnerShowing());
  EXPECT_TRUE(view().isQRTileShowing());
}

TEST_F(SharePanelGui, ThumbnailFadesInWithAnEaseIn) {
  storeWallpaper("aB3dE", "waves");
  ASSERT_TRUE(panelharness::makeTestVideo(videoFile("aB3dE")));
  openPanel();
  DispatchClock::advance(0.2);  // the fill task starts 0.2 s after opening
  drainMainQueue();
  ASSERT_TRUE(runMainLoopUntil([&] { return viewModel_->thumbnail().has_value(); }, 60.0));
  EXPECT_EQ(view().thumbnailOpacity(), 0.0);
  DispatchClock::advance(0.15);
  const double middle = view().thumbnailOpacity();
  // Ease-in: slow at first, so below half way at half time.
  EXPECT_GT(middle, 0.1);
  EXPECT_LT(middle, 0.5);
  DispatchClock::advance(0.15);
  EXPECT_EQ(view().thumbnailOpacity(), 1.0);
}

TEST_F(SharePanelGui, PictureShowsTheFrameAndACodeOfTheLink) {
  struct Case {
    const char* id;    // none: no settings file, so the default id
    const char* name;
    const char* videoId;
    const char* slug;
  };
  for (const auto& c : {Case{"aB3dE", "northern lights", "aB3dE", "northern%20lights-aB3dE"},
                        Case{nullptr, nullptr, "dp3YBose", "waves-dp3YBose"}}) {
    SCOPED_TRACE(c.videoId);
    window_.reset();
    fs::remove_all(dir_.path() / "config");
    if (c.id) storeWallpaper(c.id, c.name);
    ASSERT_TRUE(panelharness::makeTestVideo(videoFile(c.videoId)));
    openPanel();
    fill();
    ASSERT_TRUE(viewModel_->thumbnail());
    ASSERT_TRUE(viewModel_->qrCode());
    EXPECT_EQ(link_, sharelink::plainLink(c.slug));

    const gfx::Image shot = panelharness::captureWindow(*window_);
    ASSERT_FALSE(shot.empty());
    testsupport::writeImagePNG(shot, std::string("panel-") + c.videoId + ".png");

    // The code in the picture is the link with the QR item, and nothing else.
    const auto decoded = testsupport::decodeImage(shot);
    EXPECT_EQ(decoded.zxing, std::vector<std::string>{link_ + "&utm_content=qr_code"});

    // The thumbnail area shows the video's first frame (aspect fill), away from the tile,
    // not the grey placeholder.
    const auto frame = AerialManager::firstVideoFrame(videoFile(c.videoId));
    ASSERT_TRUE(frame);
    const gfx::Rect area = panelharness::frameInWindow(view().thumbnailArea(), *window_);
    const double scale =
        std::max(area.size.width / frame->width(), area.size.height / frame->height());
    const double offsetX = (area.size.width - frame->width() * scale) / 2;
    const double offsetY = (area.size.height - frame->height() * scale) / 2;
    int compared = 0;
    for (const auto& [fx, fy] : {std::pair{0.08, 0.15}, std::pair{0.92, 0.15},
                                 std::pair{0.08, 0.85}, std::pair{0.92, 0.85},
                                 std::pair{0.25, 0.5}, std::pair{0.75, 0.5}}) {
      const int ax = static_cast<int>(area.size.width * fx);
      const int ay = static_cast<int>(area.size.height * fy);
      const auto seen = testsupport::meanColor(shot, static_cast<int>(area.origin.x) + ax - 2,
                                               static_cast<int>(area.origin.y) + ay - 2,
                                               static_cast<int>(area.origin.x) + ax + 3,
                                               static_cast<int>(area.origin.y) + ay + 3);
      const int sx = static_cast<int>((ax - offsetX) / scale);
      const int sy = static_cast<int>((ay - offsetY) / scale);
      const int r = static_cast<int>(4 / scale);
      const auto expected = testsupport::meanColor(*frame, sx - r, sy - r, sx + r + 1, sy + r + 1);
      EXPECT_NEAR(seen.r, expected.r, 24) << fx << "," << fy;
      EXPECT_NEAR(seen.g, expected.g, 24) << fx << "," << fy;
      EXPECT_NEAR(seen.b, expected.b, 24) << fx << "," << fy;
      ++compared;
    }
    EXPECT_EQ(compared, 6);

    // The dark ground around the content.
    const gfx::Rect content = panelharness::frameInWindow(view(), *window_);
    const int cx = static_cast<int>(content.origin.x);
    const int cy = static_cast<int>(content.origin.y);
    const auto ground = testsupport::meanColor(shot, cx + 2, cy + 2, cx + 12, cy + 12);
    EXPECT_LT(ground.r, 70);
    EXPECT_LT(ground.g, 70);
    EXPECT_LT(ground.b, 70);
    // The amber button.
    const gfx::Rect button = panelharness::frameInWindow(view().copyButton(), *window_);
    const auto amber = testsupport::meanColor(shot, static_cast<int>(button.origin.x) + 30,
                                              static_cast<int>(button.origin.y) + 12,
                                              static_cast<int>(button.origin.x) + 60,
                                              static_cast<int>(button.origin.y) + 22);
    EXPECT_NEAR(amber.r, 251, 6);
    EXPECT_NEAR(amber.g, 191, 6);
    EXPECT_NEAR(amber.b, 36, 6);
  }
}

TEST_F(SharePanelGui, CopyButtonCopiesTheLinkAndResetsAfterTwoSeconds) {
  storeWallpaper("aB3dE", "northern lights");
  openPanel();
  auto& v = view();
  auto clipboard = Gtk::Clipboard::get();
  clipboard->set_text("something else");

  v.copyButton().clicked();
  drainMainQueue();
  EXPECT_EQ(clipboard->wait_for_text(), link_ + "&utm_content=copy_link_button");
  EXPECT_TRUE(v.copied());
  EXPECT_EQ(v.copyButtonTitle(), "Copied!");
  EXPECT_EQ(v.copyButtonIconName(), "object-select-symbolic");
  const gfx::Image shot = panelharness::captureWindow(*window_);
  testsupport::writeImagePNG(shot, "panel-copied.png");

  DispatchClock::advance(2.0 - 0.001);
  drainMainQueue();
  EXPECT_EQ(v.copyButtonTitle(), "Copied!");
  DispatchClock::advance(0.001);
  drainMainQueue();
  EXPECT_FALSE(v.copied());
  EXPECT_EQ(v.copyButtonTitle(), "Copy Link");
  EXPECT_EQ(v.copyButtonIconName(), "edit-copy-symbolic");
}

TEST_F(SharePanelGui, TwoPressesEachResetAtTheirOwnTime) {
  openPanel();
  auto& v = view();
  auto clipboard = Gtk::Clipboard::get();
  v.copyLink();
  DispatchClock::advance(1.5);
  drainMainQueue();
  clipboard->set_text("overwritten");
  v.copyLink();
  EXPECT_EQ(clipboard->wait_for_text(), link_ + "&utm_content=copy_link_button")
      << "the second press copies again";
  DispatchClock::advance(0.5);
  drainMainQueue();
  EXPECT_FALSE(v.copied()) << "2.0 s after the first press";
  EXPECT_EQ(v.copyButtonTitle(), "Copy Link");
  DispatchClock::advance(1.5);
  drainMainQueue();
  EXPECT_FALSE(v.copied());
  EXPECT_EQ(v.copyButtonTitle(), "Copy Link");
}

TEST_F(SharePanelGui, WithoutAVideoTheSpinnerStaysUnderTheTile) {
  storeWallpaper("nothere", "waves");
  openPanel();
  fill();
  ASSERT_TRUE(runMainLoopUntil([&] { return viewModel_->qrCode().has_value(); }, 60.0));
  EXPECT_FALSE(viewModel_->thumbnail());
  EXPECT_TRUE(view().isSpinnerShowing());
  EXPECT_TRUE(view().isQRTileShowing());
  const gfx::Image shot = panelharness::captureWindow(*window_);
  testsupport::writeImagePNG(shot, "panel-no-video.png");
  const auto decoded = testsupport::decodeImage(shot);
  EXPECT_EQ(decoded.zxing, std::vector<std::string>{link_ + "&utm_content=qr_code"});
  EXPECT_EQ(link_, sharelink::plainLink("waves-nothere"));
}

TEST_F(SharePanelGui, CorruptVideoLeavesThePlaceholder) {
  storeWallpaper("broken", "waves");
  panelharness::writeFile(videoFile("broken"), std::string(10000, '\x17'));
  openPanel();
  fill();
  ASSERT_TRUE(runMainLoopUntil([&] { return viewModel_->qrCode().has_value(); }, 60.0));
  EXPECT_FALSE(viewModel_->thumbnail());
  EXPECT_TRUE(view().isSpinnerShowing());
}

TEST_F(SharePanelGui, TaskOfAClosedPanelFinishesIntoItsOwnModel) {
  storeWallpaper("aB3dE", "waves");
  ASSERT_TRUE(panelharness::makeTestVideo(videoFile("aB3dE")));
  openPanel();
  auto model = viewModel_;
  window_->close();
  window_.reset();
  drainMainQueue();
  DispatchClock::advance(0.2);  // the fill task starts 0.2 s after opening
  drainMainQueue();
  ASSERT_TRUE(runMainLoopUntil([&] { return model->thumbnail().has_value(); }, 60.0));
  EXPECT_TRUE(model->qrCode());
}

TEST_F(SharePanelGui, ViewFollowsTheModelBothWays) {
  openPanel();
  auto& v = view();
  viewModel_->setQrCode(PlatformImage::withCGImage(gfx::Image::filled(30, 30, {255, 255, 255, 255})));
  EXPECT_TRUE(v.isQRTileShowing());
  EXPECT_TRUE(v.isSpinnerShowing());
  viewModel_->setThumbnail(PlatformImage::withCGImage(gfx::Image::filled(64, 36, {200, 50, 100, 255})));
  EXPECT_FALSE(v.isSpinnerShowing());
  DispatchClock::advance(0.3);  // the 0.3 s fade of the thumbnail
  EXPECT_EQ(v.thumbnailOpacity(), 1.0);
  viewModel_->setThumbnail(std::nullopt);
  EXPECT_TRUE(v.isSpinnerShowing());
  EXPECT_EQ(v.thumbnailOpacity(), 1.0) << "fading out starts from fully shown";
  DispatchClock::advance(0.3);  // the 0.3 s fade of the thumbnail
  EXPECT_EQ(v.thumbnailOpacity(), 0.0);
  viewModel_->setQrCode(std::nullopt);
  EXPECT_FALSE(v.isQRTileShowing());
  ASSERT_TRUE(panelharness::waitForDraw(*window_));
}

}  // namespace
