// The QR code view: its document and content properties, the UI description properties,
// what it shows (decoded from the widget drawn offscreen), and its drag source: the types it
// offers, the data it provides for each (read back with poppler, libtiff, libpng and both
// QR decoders) and the promised PDF file dropped into a folder.

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <gtkmm/builder.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/QRCodeViews.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "imageio/PNG.hpp"
#include "ViewTestSupport.hpp"
#include "support/Raster.hpp"
#include "support/TestFolder.hpp"

namespace {

using viewtest::snapshot;

const std::string kLink = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";

std::string asText(const foundation::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class TextMessage final : public QRCodeMessageFormatter {
 public:
  explicit TextMessage(std::string text) : text_(std::move(text)) {}
  foundation::Bytes data() const override { return foundation::Bytes(text_.begin(), text_.end()); }
  std::optional<std::string> text() const override { return text_; }

 private:
  std::string text_;
};

class QRCodeViewTest : public viewtest::ViewTest {
 protected:
  void TearDown() override {
    view_.reset();
    window_.reset();
    viewtest::ViewTest::TearDown();
  }
  QRCodeView& hosted(int width = 300, int height = 300) {
    view_ = std::make_unique<QRCodeView>();
    view_->set_size_request(width, height);
    window_ = std::make_unique<Gtk::OffscreenWindow>();
    window_->add(*view_);
    window_->show_all();
    foundation::drainMainQueue();
    return *view_;
  }
  static void settle(QRCodeDocumentView& view) {
    const auto before = view.completedRenderCount();
    advance(0.1 + 0.01);  // the debounce interval, 0.1 s, and a little
    ASSERT_TRUE(waitFor([&] { return view.completedRenderCount() > before; }));
    foundation::drainMainQueue();
  }
  // The drop folder: the test's own.
  static std::filesystem::path folder() { return testsupport::testFolder(); }
  static std::string uriOf(const std::filesystem::path& path) {
    char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string result = uri ? uri : "";
    g_free(uri);
    return result;
  }

  std::unique_ptr<Gtk::OffscreenWindow> window_;
  std::unique_ptr<QRCodeView> view_;
};

// --- the document and its content -----------------------------------------------------

TEST_F(QRCodeViewTest, AlwaysHasADocumentAndShowsIt) {
  QRCodeView& view = hosted();
  ASSERT_NE(view.document(), nullptr);
  EXPECT_EQ(static_cast<QRCodeDocumentView&>(view).document(), view.document()) << "the shown document is the own one";
  EXPECT_TRUE(view.data().empty());
  view.setDocument(nullptr);
  ASSERT_NE(view.document(), nullptr) << "none is replaced by a new plain document";
  EXPECT_TRUE(view.data().empty());

  EXPECT_TRUE(view.setString(kLink));
  settle(view);
  const gfx::Image picture = snapshot(view, 300, 300);
  testsupport::writeImagePNG(picture, "qrcodeview.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));

  // A change of the text, through the designer property, redraws with the new text.
  view.setIbTextContent("second text");
  settle(view);
  EXPECT_TRUE(testsupport::decodeImage(snapshot(view, 300, 300)).bothRead("second text"));
}

TEST_F(QRCodeViewTest, SeveralChangesWithinTheIntervalGiveOneRender) {
  QRCodeView& view = hosted();
  settle(view);
  const auto renders = view.renderCount();
  view.setString("one");
  view.setIbCorrectionLevel("h");
  view.setIbPixelShape("circle");
  view.setIbPixelColor(gfx::Color::sRGB(0.1, 0.3, 0.1));
  settle(view);
  EXPECT_EQ(view.renderCount(), renders + 1);
  const gfx::Image picture = snapshot(view, 300, 300);
  testsupport::writeImagePNG(picture, "qrcodeview-styled.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead("one"));
}

TEST_F(QRCodeViewTest, AViewFromABuilderDescriptionStartsWithAPlainDocument) {
  viewtest::CapturedOutput output;
  auto builder = Gtk::Builder::create_from_string("<interface><object class=\"GtkFixed\" id=\"qr\"/></interface>");
  QRCodeView* raw = nullptr;
  builder->get_widget_derived("qr", raw);
  ASSERT_NE(raw, nullptr);
  window_ = std::make_unique<Gtk::OffscreenWindow>();
  window_->add(*Gtk::manage(raw));
  raw->set_size_request(200, 200);
  window_->show_all();
  builder.reset();
  ASSERT_NE(raw->document(), nullptr);
  EXPECT_TRUE(raw->data().empty());
  raw->setString("from a description");
  settle(*raw);
  EXPECT_TRUE(testsupport::decodeImage(snapshot(*raw, 200, 200)).bothRead("from a description"));
}

TEST_F(QRCodeViewTest, SetStringStoresUTF8BytesAsData) {
  QRCodeView view;
  EXPECT_TRUE(view.setString("hello"));
  EXPECT_EQ(asText(view.data()), "hello");
  ASSERT_NE(view.document()->data(), nullptr) << "the content is data, not text";
  EXPECT_EQ(view.document()->utf8String(), nullptr);

  EXPECT_FALSE(view.setString(std::string("bad \xff\xfe text")));
  EXPECT_EQ(asText(view.data()), "hello") << "nothing changed";

  EXPECT_TRUE(view.setString("caf\xc3\xa9", "ISO-8859-1"));
  EXPECT_EQ(view.data(), (foundation::Bytes{'c', 'a', 'f', 0xe9}));
  EXPECT_FALSE(view.setString("\xe2\x82\xac", "ISO-8859-1")) << "the euro sign has no Latin-1 byte";
  EXPECT_FALSE(view.setString("x", "NO-SUCH-CHARSET"));

  view.setMessage(TextMessage("MATMSG:TO:a@b.c;;"));
  EXPECT_EQ(asText(view.data()), "MATMSG:TO:a@b.c;;");
}

TEST_F(QRCodeViewTest, TextContentReadsEmptyForTextDocumentsAndBadBytes) {
  auto document = std::make_shared<QRCodeDocument>(std::string_view("a text"), QRCode::ErrorCorrection::low);
  QRCodeView view(document);
  EXPECT_EQ(view.document(), document);
  EXPECT_EQ(view.ibTextContent(), "");
  EXPECT_TRUE(view.data().empty());
  view.setData(foundation::Bytes{0xff, 0x00, 0x41});
  EXPECT_EQ(view.ibTextContent(), "");
  view.setIbTextContent("plain");
  EXPECT_EQ(view.ibTextContent(), "plain");
  EXPECT_EQ(asText(view.data()), "plain");
}

TEST_F(QRCodeViewTest, CorrectionLevelLetters) {
  struct Case {
    const char* text;
    QRCode::ErrorCorrection level;
    const char* letter;
  };
  const Case cases[] = {
      {"h", QRCode::ErrorCorrection::high, "H"},     {"H", QRCode::ErrorCorrection::high, "H"},
      {"high", QRCode::ErrorCorrection::high, "H"},  {"m", QRCode::ErrorCorrection::medium, "M"},
      {"Low", QRCode::ErrorCorrection::low, "L"},    {"q", QRCode::ErrorCorrection::quartile, "Q"},
      {"", QRCode::ErrorCorrection::quartile, "Q"},  {"x", QRCode::ErrorCorrection::quartile, "Q"},
      {"\xc3\xa9", QRCode::ErrorCorrection::quartile, "Q"},
  };
  viewtest::CapturedOutput output;  // the plain document's empty content cannot be encoded
  QRCodeView view;
  for (const Case& c : cases) {
    view.setIbCorrectionLevel("l");
    view.setIbCorrectionLevel(c.text);
    EXPECT_EQ(view.errorCorrection(), c.level) << c.text;
    EXPECT_EQ(view.ibCorrectionLevel(), c.letter) << c.text;
  }
}

TEST_F(QRCodeViewTest, ShapeNamesFallBackToSquaresAndKeepTheName) {
  QRCodeView view;
  view.setIbPixelShape("no such pixel");
  EXPECT_EQ(view.ibPixelShape(), "no such pixel");
  EXPECT_EQ(view.design()->shape()->onPixels()->name(), "square");
  view.setIbPixelShape("circle");
  EXPECT_EQ(view.design()->shape()->onPixels()->name(), "circle");

  view.setIbEyeShape("nothing");
  EXPECT_EQ(view.design()->shape()->eye()->name(), "square");

  // Pupil, then eye: the eye clears the pupil. Eye, then pupil: the pupil stays.
  view.setIbPupilShape("circle");
  view.setIbEyeShape("roundedOuter");
  EXPECT_EQ(view.design()->shape()->pupil(), nullptr);
  EXPECT_EQ(view.design()->shape()->eye()->name(), "roundedOuter");
  view.setIbPupilShape("circle");
  ASSERT_NE(view.design()->shape()->pupil(), nullptr);
  EXPECT_EQ(view.design()->shape()->pupil()->name(), "circle");
  view.setIbPupilShape("");
  ASSERT_NE(view.design()->shape()->pupil(), nullptr);
  EXPECT_EQ(view.design()->shape()->pupil()->name(), "square") << "the empty name gives the square pupil";
  EXPECT_EQ(view.ibPupilShape(), "");
}

TEST_F(QRCodeViewTest, ColoursReplaceOneSolidFillEach) {
  QRCodeView& view = hosted();
  view.setString(kLink);
  EXPECT_EQ(view.ibBackgroundColor().toSRGB(), gfx::Color::sRGB(1, 1, 1).toSRGB());
  EXPECT_EQ(view.ibEyeColor().toSRGB(), gfx::Color::sRGB(0, 0, 0).toSRGB()) << "no eye fill reads black";

  view.setIbPixelColor(gfx::Color::sRGB(0, 0, 0.6));
  view.setIbEyeColor(gfx::Color::sRGB(0.7, 0, 0));
  view.setIbPupilColor(gfx::Color::sRGB(0, 0.5, 0));
  view.setIbBackgroundColor(gfx::Color::sRGB(1, 1, 0.7));
  EXPECT_EQ(view.ibPupilColor(), gfx::Color::sRGB(0, 0.5, 0));
  settle(view);
  const gfx::Image picture = snapshot(view, 300, 300);
  testsupport::writeImagePNG(picture, "qrcodeview-colours.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));
  const double module = 300.0 / static_cast<double>(view.cellDimension());
  auto at = [&](double mx, double my) {
    const int x = static_cast<int>(mx * module), y = static_cast<int>(my * module);
    return testsupport::meanColor(picture, x - 1, y - 1, x + 2, y + 2);
  };
  const auto eye = at(1.5, 4.5), pupil = at(4.5, 4.5), background = at(0.5, 0.5);
  EXPECT_NEAR(eye.r, 178, 6);
  EXPECT_NEAR(eye.g, 0, 6);
  EXPECT_NEAR(pupil.g, 128, 6);
  EXPECT_NEAR(pupil.r, 0, 6);
  EXPECT_NEAR(background.b, 178, 6);
  EXPECT_NEAR(background.r, 255, 3);

  // A background that is not a solid fill reads white.
  auto gradient = KvelGradient::FromRGBAGradientString("0.0:1.0,0.0,0.0,1.0|1.0:0.0,0.0,1.0,1.0");
  view.design()->style()->setBackground(QRCodeFillStyleLinearGradient::make(gradient));
  EXPECT_EQ(view.ibBackgroundColor().toSRGB(), gfx::Color::sRGB(1, 1, 1).toSRGB());
}

TEST_F(QRCodeViewTest, CellSizeUsesTheSmallerSide) {
  QRCodeView& view = hosted(300, 200);
  view.setString(kLink);
  const auto n = view.cellDimension();
  ASSERT_GT(n, 0);
  EXPECT_DOUBLE_EQ(view.cellSize(), 200.0 / static_cast<double>(n));
}

TEST_F(QRCodeViewTest, PreparingForTheDesignerAppliesTheNames) {
  QRCodeView view;
  view.setString("designer");
  view.setIbPixelShape("circle");
  view.setIbEyeShape("roundedOuter");
  view.setIbPupilShape("no such pupil");
  view.prepareForInterfaceBuilder();
  EXPECT_EQ(view.design()->shape()->onPixels()->name(), "circle");
  EXPECT_EQ(view.design()->shape()->eye()->name(), "roundedOuter");
  EXPECT_EQ(view.design()->shape()->pupil(), nullptr) << "a pupil name not found gives none here";

  // A failed regeneration is printed and stops the step.
  viewtest::CapturedOutput output;
  view.setIbCorrectionLevel("H");
  view.setString(std::string(4000, 'x'));
  view.setIbPixelShape("square");
  const auto linesBefore = output.lines().size();
  view.prepareForInterfaceBuilder();
  ASSERT_GT(output.lines().size(), linesBefore) << "the failure is printed";
  EXPECT_EQ(view.design()->shape()->onPixels()->name(), "square") << "the shapes were not applied";
}

// --- drag source ------------------------------------------------------------------------

TEST_F(QRCodeViewTest, WithoutDragSupportAPressStartsNothing) {
  QRCodeView& view = hosted();
  EXPECT_FALSE(view.supportsDrag());
  EXPECT_EQ(view.draggingSourceOperationMask(), 0);
  EXPECT_TRUE(view.mouseDown(nullptr)) << "the press is swallowed";
  EXPECT_EQ(view.currentDrag(), nullptr);
  view.setSupportsDrag(true);
  EXPECT_EQ(view.draggingSourceOperationMask(), GDK_ACTION_COPY);
  QRCodeView unrealized;
  unrealized.setSupportsDrag(true);
  EXPECT_FALSE(unrealized.mouseDown(nullptr)) << "no drag from a view that is not on screen";
  EXPECT_EQ(view.dragImageSize(), (gfx::Size{512, 512}));
}

TEST_F(QRCodeViewTest, ADragOffersTheFiveTypesInOrder) {
  // A real window on the display: GTK needs one to begin a drag.
  Gtk::Window window;
  QRCodeView view;
  view.set_size_request(200, 200);
  view.setString(kLink);
  view.setSupportsDrag(true);
  window.add(view);
  window.show_all();
  ASSERT_TRUE(waitFor([&] { return view.get_mapped() && view.get_window(); }, 5));
  GdkDragContext* started = nullptr;
  view.signal_drag_begin().connect([&](const Glib::RefPtr<Gdk::DragContext>& c) { started = c->gobj(); });

  GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
  press->button.window = GDK_WINDOW(g_object_ref(view.get_window()->gobj()));
  press->button.x = 20;
  press->button.y = 30;
  press->button.button = 1;
  press->button.time = GDK_CURRENT_TIME;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  gdk_event_set_device(press, gdk_seat_get_pointer(seat));
  const bool began = view.mouseDown(&press->button);
  gdk_event_free(press);
  if (!began) GTEST_SKIP() << "this display does not let a test begin a drag";
  ASSERT_NE(started, nullptr);
  EXPECT_EQ(view.currentDrag(), started);
  std::vector<std::string> offered;
  for (GList* t = gdk_drag_context_list_targets(started); t; t = t->next) {
    gchar* name = gdk_atom_name(GDK_POINTER_TO_ATOM(t->data));
    offered.emplace_back(name);
    g_free(name);
  }
  EXPECT_EQ(offered, (std::vector<std::string>{"application/pdf", "image/png", "image/tiff", "XdndDirectSave0",
                                               "application/x-promised-file-content-type"}));
  gtk_drag_cancel(started);
  foundation::drainMainQueue();
  window.remove();
}

TEST_F(QRCodeViewTest, ProvidesPDFPNGAndTIFFOfTheDragSize) {
  QRCodeView view;
  view.setString(kLink);
  view.setDesign(QRCodeDesign::make(gfx::Color::sRGB(0.1, 0.1, 0.3), gfx::Color::sRGB(1, 1, 1)));

  QRCodeDragPasteboard pasteboard;
  view.pasteboard(pasteboard, QRCodeView::pasteboardTypePDF);
  const auto pdf = pasteboard.dataForType("application/pdf");
  ASSERT_TRUE(pdf.has_value());
  const auto info = testsupport::pdfInfo(*pdf);
  EXPECT_EQ(info.pageCount, 1);
  EXPECT_NEAR(info.pageSize.width, 512, 0.01);
  EXPECT_NEAR(info.pageSize.height, 512, 0.01);
  const gfx::Image page = testsupport::rasterizePDF(*pdf, 400, 400);
  testsupport::writeImagePNG(page, "drag-pdf.png");
  EXPECT_TRUE(testsupport::decodeImage(page).bothRead(kLink));

  view.pasteboard(pasteboard, QRCodeView::pasteboardTypeTIFF);
  const auto tiff = pasteboard.dataForType("image/tiff");
  ASSERT_TRUE(tiff.has_value());
  const auto decodedTIFF = testsupport::decodeTIFFFile(*tiff);
  EXPECT_EQ(decodedTIFF.image.width(), 512);
  EXPECT_NEAR(decodedTIFF.dpiX, 144, 0.01) << "512 pixels shown as 256 points";
  EXPECT_TRUE(testsupport::decodeImage(decodedTIFF.image).bothRead(kLink));

  view.pasteboard(pasteboard, QRCodeView::pasteboardTypePNG);
  const auto png = pasteboard.dataForType("image/png");
  ASSERT_TRUE(png.has_value());
  const gfx::Image pngImage = imageio::readPNG(*png);
  EXPECT_EQ(pngImage.width(), 512);
  testsupport::writeImagePNG(pngImage, "drag-png.png");
  EXPECT_TRUE(testsupport::decodeImage(pngImage).bothRead(kLink));

  view.pasteboard(pasteboard, QRCodeView::promisedFileContentType);
  EXPECT_EQ(pasteboard.stringForType(QRCodeView::promisedFileContentType), "application/pdf");

  view.pasteboard(pasteboard, "text/plain");
  EXPECT_FALSE(pasteboard.hasEntry("text/plain")) << "other types get nothing";
  EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{"application/pdf", "image/tiff", "image/png",
                                                          "application/x-promised-file-content-type"}));

  // Another drag size: a 300-point page.
  view.setDragImageSize(gfx::Size{300, 300});
  QRCodeDragPasteboard other;
  view.pasteboard(other, QRCodeView::pasteboardTypePDF);
  EXPECT_NEAR(testsupport::pdfInfo(*other.dataForType("application/pdf")).pageSize.width, 300, 0.01);
}

TEST_F(QRCodeViewTest, AFailedDocumentAnswersPDFWithNoDataAndLeavesTheBitmapsOut) {
  viewtest::CapturedOutput output;
  QRCodeView view;
  view.setIbCorrectionLevel("H");
  view.setString(std::string(4000, 'x'));
  ASSERT_TRUE(view.document()->regenerationError().has_value());
  QRCodeDragPasteboard pasteboard;
  for (std::string_view type : QRCodeView::dragTypes) view.pasteboard(pasteboard, type);
  EXPECT_TRUE(pasteboard.hasEntry("application/pdf"));
  EXPECT_FALSE(pasteboard.dataForType("application/pdf").has_value());
  EXPECT_FALSE(pasteboard.hasEntry("image/png"));
  EXPECT_FALSE(pasteboard.hasEntry("image/tiff"));
  EXPECT_FALSE(pasteboard.hasEntry(QRCodeView::promisedFileURLType)) << "no drop folder was given";
}

TEST_F(QRCodeViewTest, APromisedFileGoesToTheFirstFreeNameInTheDropFolder) {
  QRCodeView view;
  view.setString(kLink);
  const auto dir = folder();
  std::ofstream(dir / "Dropped QRCode.pdf") << "taken";
  std::ofstream(dir / "Dropped QRCode-2.pdf") << "taken";

  QRCodeDragPasteboard pasteboard;
  pasteboard.setString(uriOf(dir), QRCodeView::pasteLocationType);
  view.pasteboard(pasteboard, QRCodeView::promisedFileURLType);
  const auto answer = pasteboard.stringForType(QRCodeView::promisedFileURLType);
  ASSERT_TRUE(answer.has_value());
  const auto expected = dir / "Dropped QRCode-3.pdf";
  EXPECT_EQ(*answer, uriOf(expected));
  ASSERT_TRUE(std::filesystem::exists(expected));
  std::ifstream in(expected, std::ios::binary);
  const foundation::Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto info = testsupport::pdfInfo(written);
  EXPECT_NEAR(info.pageSize.width, 512, 0.01) << "the default drag size gives a 512-point page";
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizePDF(written, 400, 400)).bothRead(kLink));
  EXPECT_EQ(std::filesystem::file_size(dir / "Dropped QRCode.pdf"), 5u) << "existing files are left alone";
  std::filesystem::remove_all(dir);
}

TEST_F(QRCodeViewTest, APromisedFileWithoutAUsableFolderIsNotAnswered) {
  QRCodeView view;
  view.setString(kLink);
  struct Case {
    const char* name;
    std::optional<std::string> location;
    bool printsError;
    bool undrawable = false;  // content too long to encode
  };
  const auto dir = folder();
  const Case cases[] = {
      {"no location", std::nullopt, false},
      {"not a URI", std::string("just words"), false},
      {"not a file URI", std::string("https://example.com/folder"), false},
      {"missing folder", uriOf("/nonexistent-w9/folder"), true},
      {"a document that cannot be drawn", uriOf(dir), false, true},
  };
  for (const Case& c : cases) {
    if (c.undrawable) view.setData(foundation::Bytes(5000, 'x'));  // the last row
    viewtest::CapturedOutput output;
    QRCodeDragPasteboard pasteboard;
    if (c.location) pasteboard.setString(*c.location, QRCodeView::pasteLocationType);
    view.pasteboard(pasteboard, QRCodeView::promisedFileURLType);
    EXPECT_FALSE(pasteboard.hasEntry(QRCodeView::promisedFileURLType)) << c.name;
    EXPECT_EQ(output.lines().size(), c.printsError ? 1u : 0u) << c.name;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir)) << "nothing was written";
  std::filesystem::remove_all(dir);
}

TEST(QRCodeDragPasteboardTest, EntriesKeepTheirOrderAndReplaceInPlace) {
  QRCodeDragPasteboard pasteboard;
  pasteboard.setData(foundation::Bytes{1, 2}, "a/b");
  pasteboard.setString("text", "c/d");
  pasteboard.setData(std::nullopt, "a/b");
  EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{"a/b", "c/d"}));
  EXPECT_TRUE(pasteboard.hasEntry("a/b"));
  EXPECT_FALSE(pasteboard.dataForType("a/b").has_value());
  EXPECT_EQ(pasteboard.stringForType("c/d"), "text");
  pasteboard.setData(foundation::Bytes{0xff}, "c/d");
  EXPECT_FALSE(pasteboard.stringForType("c/d").has_value()) << "bytes that are not UTF-8 are no text";
  EXPECT_FALSE(pasteboard.stringForType("x/y").has_value());
}

}  // namespace
