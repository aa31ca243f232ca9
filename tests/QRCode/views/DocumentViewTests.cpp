// The document view: what it draws (decoded with ZXing and zbar from the widget drawn
// offscreen), when it renders (debounce, progress timer, dimming), what it does with no
// document or a failed one, its layout, and the declarative views.

#include <gtest/gtest.h>

#include <gtkmm/builder.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "QRCode/QRCodeViews.hpp"
#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "ViewTestSupport.hpp"
#include "support/FixedEngine.hpp"
#include "support/Expect.hpp"
#include "support/Raster.hpp"

namespace {

using viewtest::paintedPixels;
using viewtest::snapshot;

const std::string kLink = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";
const std::string kOther = "https://vidlumen.example.com/wallpaper/tide-77?utm_source=qr";

QRCodeDocumentPtr documentOf(const std::string& text,
                             QRCode::ErrorCorrection level = QRCode::ErrorCorrection::medium) {
  return std::make_shared<QRCodeDocument>(std::string_view(text), level);
}

class DocumentViewTest : public viewtest::ViewTest {
 protected:
  // The view in an offscreen window at width x height.
  template <class View>
  View& host(std::unique_ptr<View> view, int width = 300, int height = 300) {
    view->set_size_request(width, height);
    window_ = std::make_unique<Gtk::OffscreenWindow>();
    window_->add(*view);
    window_->show_all();
    foundation::drainMainQueue();
    View& ref = *view;
    owned_ = std::move(view);
    return ref;
  }
  // Lets the debounce fire and waits for the render it starts to be applied.
  static void settle(QRCodeDocumentView& view) {
    const auto before = view.completedRenderCount();
    advance(0.1 + 0.01);  // the debounce interval, 0.1 s, and a little
    ASSERT_TRUE(waitFor([&] { return view.completedRenderCount() > before; })) << "the render never completed";
    foundation::drainMainQueue();
  }

  void TearDown() override {
    owned_.reset();
    window_.reset();
    viewtest::ViewTest::TearDown();
  }

  std::unique_ptr<Gtk::OffscreenWindow> window_;
  std::unique_ptr<Gtk::Widget> owned_;
};

// --- what it draws ----------------------------------------------------------------------

TEST_F(DocumentViewTest, ShowsTheDocumentScaledToFitAndBothDecodersReadIt) {
  auto document = documentOf(kLink);
  auto& view = host(std::make_unique<QRCodeDocumentView>(document), 360, 300);
  EXPECT_EQ(view.renderCount(), 0u) << "nothing renders before the debounce interval";
  EXPECT_EQ(view.imageLayer().contents, nullptr);
  settle(view);
  EXPECT_EQ(view.renderCount(), 1u);
  ASSERT_NE(view.imageLayer().contents, nullptr);
  EXPECT_EQ(view.imageLayer().contents->size().width, 512.0);
  EXPECT_EQ(view.imageLayer().opacity, 1.0);

  const gfx::Image picture = snapshot(view, 360, 300);
  testsupport::writeImagePNG(picture, "documentview.png");
  const auto decoded = testsupport::decodeImage(picture);
  EXPECT_TRUE(decoded.bothRead(kLink)) << "zxing " << decoded.zxing.size() << ", zbar " << decoded.zbar.size();

  // Aspect fit in a 360 x 300 view: a 300 x 300 square centred, 30 points either side.
  const gfx::Rect placed = view.imageLayer().contentsRect();
  EXPECT_DOUBLE_EQ(placed.minX(), 30.0);
  EXPECT_DOUBLE_EQ(placed.minY(), 0.0);
  EXPECT_DOUBLE_EQ(placed.width(), 300.0);
  EXPECT_EQ(picture.pixelAt(10, 150).a, 0) << "nothing is painted outside the fitted square";
  EXPECT_EQ(picture.pixelAt(350, 150).a, 0);
  EXPECT_EQ(picture.pixelAt(35, 5).a, 255) << "the white background fills the square";
}

TEST_F(DocumentViewTest, InPlaceChangesShowOnlyAfterTheDocumentIsAssignedAgain) {
  auto document = documentOf(kLink);
  auto& view = host(std::make_unique<QRCodeDocumentView>(document));
  settle(view);
  ASSERT_TRUE(testsupport::decodeImage(snapshot(view, 300, 300)).bothRead(kLink));

  document->setUtf8String(kOther);
  advance(1.0);
  EXPECT_EQ(view.renderCount(), 1u) << "changes inside the document are not observed";
  EXPECT_TRUE(testsupport::decodeImage(snapshot(view, 300, 300)).bothRead(kLink));

  view.setDocument(document);
  settle(view);
  EXPECT_EQ(view.renderCount(), 2u);
  const gfx::Image picture = snapshot(view, 300, 300);
  testsupport::writeImagePNG(picture, "documentview-text.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kOther));
}

TEST_F(DocumentViewTest, ADesignChangeRedrawsWithTheNewColours) {
  auto document = documentOf(kLink);
  auto& view = host(std::make_unique<QRCodeDocumentView>(document));
  settle(view);
  // The top-left eye's outer ring (module 1 of the matrix with its border ring).
  const double module = 300.0 / static_cast<double>(document->cellDimension());
  const int ex = static_cast<int>(module * 1.5), ey = static_cast<int>(module * 4.5);
  auto before = testsupport::meanColor(snapshot(view, 300, 300), ex - 1, ey - 1, ex + 2, ey + 2);
  EXPECT_LT(before.r + before.g + before.b, 60.0) << "black eye first";

  document->design()->foregroundColor(gfx::Color::sRGB(0.8, 0.1, 0.1));
  document->design()->backgroundColor(gfx::Color::sRGB(1.0, 0.95, 0.6));
  view.modifyDocument([](QRCodeDocumentPtr&) {});
  settle(view);
  const gfx::Image picture = snapshot(view, 300, 300);
  testsupport::writeImagePNG(picture, "documentview-colours.png");
  auto eye = testsupport::meanColor(picture, ex - 1, ey - 1, ex + 2, ey + 2);
  EXPECT_NEAR(eye.r, 204, 8);
  EXPECT_NEAR(eye.g, 25, 8);
  EXPECT_NEAR(eye.b, 25, 8);
  auto corner = testsupport::meanColor(picture, 0, 0, 3, 3);
  EXPECT_NEAR(corner.r, 255, 3);
  EXPECT_NEAR(corner.b, 153, 4);
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));
}

TEST_F(DocumentViewTest, ThreeQuickAssignmentsGiveOneRenderOfTheLast) {
  auto& view = host(std::make_unique<QRCodeDocumentView>(nullptr));
  settle(view);
  const auto renders = view.renderCount();
  const std::string texts[] = {"first code", "second code", kOther};
  for (const auto& text : texts) {
    view.setDocument(documentOf(text));
    advance(0.03);
  }
  EXPECT_EQ(view.renderCount(), renders) << "within the interval nothing renders";
  advance(0.05);  // 0.08 s after the third
  EXPECT_EQ(view.renderCount(), renders);
  advance(0.03);  // 0.11 s after the third
  EXPECT_EQ(view.renderCount(), renders + 1);
  ASSERT_TRUE(waitFor([&] { return view.imageLayer().contents != nullptr; }));
  EXPECT_TRUE(testsupport::decodeImage(snapshot(view, 300, 300)).bothRead(kOther));
  advance(1.0);
  EXPECT_EQ(view.renderCount(), renders + 1);
}

TEST_F(DocumentViewTest, AFastRenderNeverDimsOrShowsTheSpinner) {
  auto& view = host(std::make_unique<QRCodeDocumentView>(documentOf(kLink)));
  advance(0.11);
  ASSERT_TRUE(waitFor([&] { return view.completedRenderCount() == 1; }));
  EXPECT_FALSE(view.hasProgressTimer()) << "the completion cancels it";
  advance(0.5);
  EXPECT_EQ(view.imageLayer().opacity, 1.0);
  EXPECT_FALSE(view.progressView().get_visible());
  EXPECT_FALSE(view.progressView().property_active().get_value());
}

TEST_F(DocumentViewTest, ASlowRenderDimsThePreviousPictureAndSpinsUntilItCompletes) {
  auto& view = host(std::make_unique<QRCodeDocumentView>(documentOf(kLink)));
  settle(view);
  const gfx::Image bright = snapshot(view, 300, 300);

  auto gate = std::make_shared<viewtest::Gate>();
  auto slow = documentOf(kOther);
  slow->design()->style()->setOnPixels(std::make_shared<viewtest::GatedFill>(gate));
  view.setDocument(slow);
  advance(0.11);  // the render starts and blocks in the background
  EXPECT_TRUE(view.hasProgressTimer()) << "the render starts the progress timer";
  ASSERT_TRUE(waitFor([&] {
    std::lock_guard lock(gate->mutex);
    return gate->waiting > 0;
  }));
  advance(0.2);
  EXPECT_EQ(view.imageLayer().opacity, 1.0) << "not dimmed before 0.25 s";
  advance(0.06);
  EXPECT_DOUBLE_EQ(view.imageLayer().opacity, QRCodeDocumentView::dimmedOpacity);
  EXPECT_TRUE(view.progressView().get_visible());
  EXPECT_TRUE(view.progressView().property_active().get_value());
  EXPECT_TRUE(view.hasProgressTimer()) << "firing does not clear the timer";

  // The old picture, dimmed: its dark modules are now light grey over a clear view.
  const gfx::Image dimmed = snapshot(view, 300, 300);
  testsupport::writeImagePNG(dimmed, "documentview-dimmed.png");
  const auto dark = testsupport::meanColor(bright, 3, 3, 297, 297);
  const auto faded = testsupport::meanColor(dimmed, 3, 3, 297, 297);
  EXPECT_GT(faded.r, dark.r + 40) << "the picture is dimmed";
  const gfx::Rect spinner = view.progressFrame();
  EXPECT_EQ(spinner, gfx::Rect(134, 134, 32, 32));

  gate->release();
  ASSERT_TRUE(waitFor([&] { return view.completedRenderCount() == 2; }));
  foundation::drainMainQueue();
  EXPECT_EQ(view.imageLayer().opacity, 1.0);
  EXPECT_FALSE(view.progressView().get_visible());
  EXPECT_FALSE(view.progressView().property_active().get_value());
  EXPECT_FALSE(view.hasProgressTimer());
  EXPECT_TRUE(testsupport::decodeImage(snapshot(view, 300, 300)).bothRead(kOther));
}

// --- nothing to draw ---------------------------------------------------------------------

TEST_F(DocumentViewTest, AssigningNoDocumentClearsThePicture) {
  auto& view = host(std::make_unique<QRCodeDocumentView>(documentOf(kLink)));
  settle(view);
  ASSERT_GT(paintedPixels(snapshot(view, 300, 300)), 0u);
  view.setDocument(nullptr);
  EXPECT_NE(view.imageLayer().contents, nullptr) << "cleared only after the debounce";
  settle(view);
  EXPECT_EQ(view.imageLayer().contents, nullptr);
  EXPECT_EQ(paintedPixels(snapshot(view, 300, 300)), 0u);
}

TEST_F(DocumentViewTest, AFailedDocumentDrawsNothingAndStopsTheSpinner) {
  viewtest::CapturedOutput output;
  auto document = documentOf(kLink, QRCode::ErrorCorrection::high);
  document->setUtf8String(std::string(4000, 'x'));  // too long for any symbol
  ASSERT_TRUE(document->regenerationError().has_value());
  auto& view = host(std::make_unique<QRCodeDocumentView>(document));
  settle(view);
  EXPECT_EQ(view.imageLayer().contents, nullptr);
  EXPECT_EQ(view.imageLayer().opacity, 1.0);
  EXPECT_FALSE(view.progressView().property_active().get_value());
  EXPECT_EQ(paintedPixels(snapshot(view, 300, 300)), 0u);
}

TEST_F(DocumentViewTest, AnEmptyMatrixDrawsNothing) {
  viewtest::CapturedOutput output;
  auto document = std::make_shared<QRCodeDocument>(std::string_view("abc"), QRCode::ErrorCorrection::low,
                                                   std::make_shared<testsupport::FixedEngine>(QRCodeBoolMatrix()));
  ASSERT_EQ(document->cellDimension(), 0);
  auto& view = host(std::make_unique<QRCodeDocumentView>(document));
  settle(view);
  EXPECT_EQ(paintedPixels(snapshot(view, 300, 300)), 0u);
  const auto lines = output.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "additionalQuietSpace too large"), lines.end());
}

TEST_F(DocumentViewTest, AShadowedDesignStaysSharpWhenTheViewIsLargerThanThePicture) {
  auto document = documentOf(kLink);
  document->design()->style()->setShadow(std::make_shared<QRCodeShadow>(
      QRCodeShadow::ShadowType::dropShadow, 0.3, -0.3, 2.0, gfx::Color::sRGB(0.2, 0.2, 0.6, 0.7)));
  auto& view = host(std::make_unique<QRCodeDocumentView>(document), 700, 700);
  settle(view);
  const gfx::Image picture = snapshot(view, 700, 700);
  testsupport::writeImagePNG(picture, "documentview-shadow.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));
  // Vector fills: a module edge goes from dark to light within about two pixels even at
  // 700 / 512 of the recorded size.
  const double module = 700.0 / static_cast<double>(document->cellDimension());
  const int y = static_cast<int>(module * 4.5);
  int grey = 0;
  for (int x = 0; x < static_cast<int>(module * 3); ++x) {
    const auto p = picture.pixelAt(x, y);
    grey += p.r > 40 && p.r < 215;
  }
  EXPECT_LE(grey, 6) << "edges between the outer light ring and the eye's dark ring are crisp";
}

// --- layout ------------------------------------------------------------------------------

TEST_F(DocumentViewTest, ResizingCentresTheSpinnerAndStartsNoRender) {
  auto& view = host(std::make_unique<QRCodeDocumentView>(documentOf(kLink)));
  settle(view);
  const auto renders = view.renderCount();
  view.setFrameSize(gfx::Size{200, 100});
  EXPECT_EQ(view.progressFrame(), gfx::Rect(84, 34, 32, 32));
  EXPECT_EQ(view.imageLayer().frame, gfx::Rect(0, 0, 200, 100));
  EXPECT_EQ(view.imageLayer().contentsRect(), gfx::Rect(50, 0, 100, 100));

  // Through GTK's own allocation too.
  view.set_size_request(200, 100);
  window_->resize(200, 100);
  ASSERT_TRUE(waitFor([&] { return view.get_allocated_width() == 200 && view.get_allocated_height() == 100; }, 5));
  EXPECT_EQ(view.progressFrame(), gfx::Rect(84, 34, 32, 32));
  advance(1.0);
  EXPECT_EQ(view.renderCount(), renders) << "a resize rescales the picture, it does not render";
  const gfx::Image picture = snapshot(view, 200, 100);
  testsupport::writeImagePNG(picture, "documentview-resized.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));
  EXPECT_EQ(picture.pixelAt(20, 50).a, 0);
}

TEST_F(DocumentViewTest, AViewFromABuilderDescriptionStartsWithoutADocument) {
  auto builder = Gtk::Builder::create_from_string(
      "<interface><object class=\"GtkFixed\" id=\"code\"/></interface>");
  QRCodeDocumentView* raw = nullptr;
  builder->get_widget_derived("code", raw);
  ASSERT_NE(raw, nullptr);
  // Managed and put in a window, as a view from a description is used; the window owns it.
  window_ = std::make_unique<Gtk::OffscreenWindow>();
  window_->add(*Gtk::manage(raw));
  window_->show_all();
  builder.reset();
  QRCodeDocumentView* view = raw;
  EXPECT_EQ(view->document(), nullptr);
  settle(*view);
  EXPECT_EQ(view->imageLayer().contents, nullptr);
  view->setDocument(documentOf(kLink));
  settle(*view);
  EXPECT_NE(view->imageLayer().contents, nullptr);
}

TEST_F(DocumentViewTest, ARenderFinishingAfterTheViewIsGoneDoesNothing) {
  auto gate = std::make_shared<viewtest::Gate>();
  auto slow = documentOf(kLink);
  slow->design()->style()->setOnPixels(std::make_shared<viewtest::GatedFill>(gate));
  {
    QRCodeDocumentView view(slow);
    advance(0.11);
    ASSERT_TRUE(waitFor([&] {
      std::lock_guard lock(gate->mutex);
      return gate->waiting > 0;
    }));
  }
  // The view is gone: the background finishes and its completion finds no view (the
  // sanitizer build checks that nothing touches the freed view).
  gate->release();
  advance(1.0);
  waitFor([] { return false; }, 0.3);
  std::lock_guard lock(gate->mutex);
  EXPECT_EQ(gate->waiting, 3) << "eyes, pupils and on-pixels were all drawn";
}

// --- declarative views --------------------------------------------------------------------

TEST_F(DocumentViewTest, TheDocumentUIViewMakesAViewAndUpdatesItsDocument) {
  QRCodeDocumentUIView value(documentOf(kLink));
  auto view = value.makeView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->document(), value.document());
  auto& shown = host(std::move(view));
  settle(shown);
  EXPECT_TRUE(testsupport::decodeImage(snapshot(shown, 300, 300)).bothRead(kLink));

  value.setDocument(documentOf(kOther));
  value.updateView(shown);
  EXPECT_EQ(shown.document(), value.document());
  settle(shown);
  EXPECT_TRUE(testsupport::decodeImage(snapshot(shown, 300, 300)).bothRead(kOther));
  EXPECT_TRUE(testsupport::decodeImage(value.image({300, 300}, 144, "link").cgImage).bothRead(kOther));
  testsupport::expectError([] { QRCodeDocumentUIView(nullptr).image({300, 300}, 144, ""); }, QRCodeError::cannotGenerateImage);
}

// The outline filled black on white in a bitmap of size x size.
gfx::Image filled(const gfx::Path& path, int size) {
  gfx::Canvas canvas = gfx::Canvas::bitmap(size, size);
  canvas.setFillColor(gfx::Color::sRGB(1, 1, 1));
  canvas.fillRect(gfx::Rect(0, 0, size, size));
  canvas.concatenate(gfx::AffineTransform{1, 0, 0, -1, 0, static_cast<double>(size)});
  canvas.setFillColor(gfx::Color::sRGB(0, 0, 0));
  canvas.fillPath(path);
  return canvas.makeImage();
}

TEST(QRCodeShapeValue, ItsOutlineIsTheCodeWhereverTheRectangleStarts) {
  QRCode::QRCodeShape shape(std::string_view(kLink), QRCode::ErrorCorrection::medium,
                            QRCodeComponents::foreground(), QRCodeShape::create());
  const gfx::Path atOrigin = shape.path(gfx::Rect(0, 0, 290, 290));
  const gfx::Path moved = shape.path(gfx::Rect(40, -25, 290, 290));
  EXPECT_EQ(atOrigin, moved);
  EXPECT_FALSE(atOrigin.empty());
  const gfx::Image picture = filled(atOrigin, 290);
  testsupport::writeImagePNG(picture, "shape-value.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));

  // Bytes and a message give the same symbol as the text.
  const std::string text = "abc 123";
  QRCode::QRCodeShape fromText(std::string_view(text), QRCode::ErrorCorrection::low,
                               QRCodeComponents::foreground(), QRCodeShape::create());
  QRCode::QRCodeShape fromData(foundation::Bytes(text.begin(), text.end()), QRCode::ErrorCorrection::low,
                               QRCodeComponents::foreground(), QRCodeShape::create());
  EXPECT_TRUE(testsupport::decodeImage(filled(fromData.path(gfx::Rect(0, 0, 200, 200)), 200)).bothRead(text));
  EXPECT_EQ(fromText.qrCodeGenerator().cellDimension(), fromData.qrCodeGenerator().cellDimension());
  // A value moved from is empty, and so are its copies and what their modifiers make.
  const QRCode::QRCodeShape taken = std::move(fromText), copyOfEmpty = fromText;
  EXPECT_TRUE(testsupport::decodeImage(filled(taken.path(gfx::Rect(0, 0, 200, 200)), 200)).bothRead(text));
  const auto logo = QRCodeLogoTemplate::CircleCenterWithImage(gfx::Image::filled(8, 8, {200, 30, 30, 255}), 0);
  const auto circle = QRCodePixelShapeCircle::Create();
  const std::function<QRCode::QRCodeShape(const QRCode::QRCodeShape&)> operations[] = {
      [](auto& s) { return s; }, [](auto& s) { return s.withErrorCorrection(QRCode::ErrorCorrection::high); },
      [](auto& s) { return s.withComponents({}); }, [](auto& s) { return s.withShape(QRCodeShape::create()); },
      [&](auto& s) { return s.withOnPixelShape(circle); }, [&](auto& s) { return s.withOffPixelShape(circle); },
      [](auto& s) { return s.withEyeShape(std::make_shared<QRCodeEyeShapeRoundedOuter>()); },
      [](auto& s) { return s.withPupilShape(std::make_shared<QRCodePupilShapeCircle>()); },
      [&](auto& s) { return s.withLogoTemplate(logo); }};
  for (const QRCode::QRCodeShape* empty : {&std::as_const(fromText), &copyOfEmpty}) {
    EXPECT_EQ(empty->content(), QRCode::Content());
    for (const auto& operation : operations)
      EXPECT_TRUE(operation(*empty).path({0, 0, 200, 200}).empty() && operation(*empty).qrCodeGenerator().cellDimension() == 0);
  }
}

TEST(QRCodeShapeValue, ContentTooLongPrintsOncePerValueAndHasNoOutline) {
  viewtest::CapturedOutput output;
  QRCode::QRCodeShape shape(std::string_view(std::string(4000, 'x')), QRCode::ErrorCorrection::high,
                            QRCodeComponents::foreground(), QRCodeShape::create());
  EXPECT_TRUE(shape.path(gfx::Rect(0, 0, 100, 100)).empty());
  ASSERT_EQ(output.lines().size(), 1u);
  EXPECT_EQ(output.lines()[0].rfind("QRCodeShape: Error creating shape. Error was '", 0), 0u);
  EXPECT_EQ(output.lines()[0].back(), '\'');
  const auto other = shape.withComponents(QRCodeComponents::onPixels()).withErrorCorrection(QRCode::ErrorCorrection::low);
  EXPECT_EQ(output.lines().size(), 3u) << "once more for each modifier";
  EXPECT_TRUE(other.path(gfx::Rect(0, 0, 100, 100)).empty());
}

TEST(QRCodeShapeValue, ModifiersMakeNewValuesAndLeaveTheReceiver) {
  auto designShape = QRCodeShape::create();
  QRCode::QRCodeShape shape(std::string_view(kLink), QRCode::ErrorCorrection::medium,
                            QRCodeComponents::foreground(), designShape);
  EXPECT_EQ(shape.shape(), designShape) << "the initialiser stores the shape it is given";

  auto pupil = std::make_shared<QRCodePupilShapeCircle>();
  auto eye = std::make_shared<QRCodeEyeShapeRoundedOuter>();
  const auto eyeThenPupil = shape.withEyeShape(eye).withPupilShape(pupil);
  // Each modifier copies the shape (generators included), then sets its argument.
  EXPECT_EQ(eyeThenPupil.shape()->eye()->name(), eye->name());
  EXPECT_EQ(eyeThenPupil.shape()->pupil(), pupil);
  EXPECT_EQ(shape.withEyeShape(eye).shape()->eye(), eye) << "the argument is stored, not copied";
  const auto pupilThenEye = shape.withPupilShape(pupil).withEyeShape(eye);
  EXPECT_EQ(pupilThenEye.shape()->pupil(), nullptr) << "a new eye drops the pupil";
  EXPECT_EQ(designShape->pupil(), nullptr);
  EXPECT_NE(designShape->eye(), eye) << "the receiver's shape is untouched";
  EXPECT_NE(eyeThenPupil.shape(), designShape);
  EXPECT_NE(&eyeThenPupil.qrCodeGenerator(), &shape.qrCodeGenerator());
  EXPECT_NE(eyeThenPupil.qrCodeGenerator().engine(), shape.qrCodeGenerator().engine()) << "nor its engine";

  const auto levelled = shape.withErrorCorrection(QRCode::ErrorCorrection::high);
  EXPECT_EQ(levelled.errorCorrection(), QRCode::ErrorCorrection::high);
  EXPECT_GT(levelled.qrCodeGenerator().cellDimension(), shape.qrCodeGenerator().cellDimension());
  EXPECT_EQ(shape.errorCorrection(), QRCode::ErrorCorrection::medium);

  const auto pixels = shape.withOnPixelShape(QRCodePixelShapeCircle::Create());
  const gfx::Image picture = filled(pixels.withEyeShape(eye).path(gfx::Rect(0, 0, 300, 300)), 300);
  testsupport::writeImagePNG(picture, "shape-value-styled.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));

  auto otherShape = QRCodeShape::create();
  const auto replaced = shape.withShape(otherShape);
  EXPECT_NE(replaced.shape(), otherShape) << "withShape stores a copy";

  auto logo = shape.withLogoTemplate(nullptr);
  EXPECT_EQ(logo.logoTemplate(), nullptr);
}

TEST(QRCodeShapeValue, ModifiersCopyAnImageMaskTemplateKeepingItsKind) {
  const gfx::Image logo = gfx::Image::filled(32, 32, {200, 30, 30, 255});
  const gfx::Image mask = gfx::Image::filled(32, 32, {0, 0, 0, 255});
  auto logoTemplate = std::make_shared<QRCodeLogoTemplate>(logo, mask);
  QRCode::QRCodeShape shape(std::string_view(kLink), QRCode::ErrorCorrection::high, QRCodeComponents::foreground(),
                            QRCodeShape::create(), logoTemplate);
  EXPECT_EQ(shape.logoTemplate(), logoTemplate);
  const auto changed = shape.withComponents(QRCodeComponents::onPixels());
  ASSERT_NE(changed.logoTemplate(), nullptr);
  EXPECT_NE(changed.logoTemplate(), logoTemplate) << "a copy";
  ASSERT_TRUE(changed.logoTemplate()->maskImage().has_value()) << "still an image-mask template";
  EXPECT_EQ(*changed.logoTemplate()->maskImage(), mask);
  EXPECT_EQ(changed.logoTemplate()->image(), logo);
  EXPECT_EQ(shape.withLogoTemplate(logoTemplate).logoTemplate(), logoTemplate) << "stored itself";
}

TEST_F(DocumentViewTest, ALogoIsDrawnInTheView) {
  auto document = documentOf(kLink, QRCode::ErrorCorrection::high);
  document->setLogoTemplate(
      QRCodeLogoTemplate::CircleCenterWithImage(gfx::Image::filled(64, 64, {200, 30, 30, 255}), 2));
  auto& view = host(std::make_unique<QRCodeDocumentView>(document));
  settle(view);
  const gfx::Image picture = snapshot(view, 300, 300);
  testsupport::writeImagePNG(picture, "documentview-logo.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kLink));
  const auto centre = testsupport::meanColor(picture, 145, 145, 155, 155);
  EXPECT_NEAR(centre.r, 200, 4);
  EXPECT_NEAR(centre.g, 30, 4);
}

TEST(QRCodeViewUIValue, BuildsAStyledDocumentOrAnEmptyInvalidOne) {
  QRCodeViewUI::Options options;
  options.eyeShape = std::make_shared<QRCodeEyeShapeRoundedOuter>();
  options.pupilShape = std::make_shared<QRCodePupilShapeRoundedRect>();
  options.additionalQuietZonePixels = 2;
  options.backgroundFractionalCornerRadius = 1.5;
  QRCodeViewUI view(kLink, QRCode::ErrorCorrection::quartile, gfx::Color::sRGB(0.1, 0.2, 0.5),
                    gfx::Color::sRGB(1, 1, 0.9), options);
  ASSERT_TRUE(view.isValid());
  const auto& shape = view.content()->design()->shape();
  EXPECT_EQ(shape->eye(), options.eyeShape);
  EXPECT_EQ(shape->pupil(), options.pupilShape);
  EXPECT_EQ(view.content()->design()->additionalQuietZonePixels(), 2u);
  EXPECT_EQ(view.body().document(), view.content());
  const gfx::Image image = view.content()->cgImageWithDimension(300);
  testsupport::writeImagePNG(image, "viewui.png");
  const auto read = testsupport::decodeImage(image);
  EXPECT_TRUE(read.bothRead(kLink)) << "zxing " << read.zxing.size() << " zbar " << read.zbar.size();

  QRCodeViewUI::Options eyeOnly;
  eyeOnly.eyeShape = std::make_shared<QRCodeEyeShapeRoundedOuter>();
  QRCodeViewUI withEye("abc", QRCode::ErrorCorrection::low, gfx::Color::sRGB(0, 0, 0),
                       gfx::Color::sRGB(1, 1, 1), eyeOnly);
  EXPECT_EQ(withEye.content()->design()->shape()->pupil(), nullptr) << "the eye's default pupil";

  viewtest::CapturedOutput output;
  QRCodeViewUI invalid(std::string(4000, 'x'), QRCode::ErrorCorrection::high, gfx::Color::sRGB(0, 0, 0),
                       gfx::Color::sRGB(1, 1, 1), options);
  EXPECT_FALSE(invalid.isValid());
  ASSERT_NE(invalid.content(), nullptr);
  ASSERT_NE(invalid.content()->data(), nullptr);
  EXPECT_TRUE(invalid.content()->data()->empty());
  EXPECT_EQ(invalid.content()->design()->shape()->pupil(), nullptr) << "no option was applied";
  EXPECT_EQ(invalid.content()->design()->additionalQuietZonePixels(), 0u);
}

}  // namespace

namespace {

// The canvas the views draw through: over a borrowed cairo context (as GTK hands a draw
// handler one), with the context's own transform and state given back afterwards.
TEST(CanvasOverContext, DrawsThroughTheContextsTransformAndGivesItsStateBack) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 80, 80);
  cairo_t* cr = cairo_create(surface);
  cairo_translate(cr, 10, 20);
  cairo_set_source_rgb(cr, 0, 0, 1);
  {
    gfx::Canvas canvas = gfx::Canvas::overContext(cr, 50, 40);
    EXPECT_FALSE(canvas.isPDF());
    canvas.concatenate(gfx::AffineTransform{1, 0, 0, -1, 0, 40});  // top-left origin
    canvas.save();
    canvas.save();  // left open on purpose
    canvas.clipToRect(gfx::Rect(0, 0, 25, 40));
    canvas.setFillColor(gfx::Color::sRGB(1, 0, 0));
    canvas.fillRect(gfx::Rect(0, 0, 50, 10));
    canvas.beginTransparencyLayer();  // also left open
    EXPECT_THROW(canvas.makeImage(), foundation::Error);
    EXPECT_THROW(canvas.pdfData(), foundation::Error);
  }
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  EXPECT_EQ(m.x0, 10);
  EXPECT_EQ(m.y0, 20);
  double r = 0, g = 0, b = 0, a = 0;
  EXPECT_EQ(cairo_pattern_get_rgba(cairo_get_source(cr), &r, &g, &b, &a), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(b, 1.0) << "the context's own source is back";
  double x0, y0, x1, y1;
  cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
  EXPECT_GT(x1 - x0, 60) << "the canvas's clip is gone";
  EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  auto pixel = [&](int x, int y) { return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4); };
  EXPECT_EQ(pixel(12, 22), 0xffff0000u) << "red at the context's (2, 2): the top-left band";
  EXPECT_EQ(pixel(40, 22), 0u) << "clipped away beyond x = 25";
  EXPECT_EQ(pixel(12, 35), 0u) << "below the 10-unit band";
  EXPECT_EQ(pixel(5, 5), 0u) << "outside the translated area";
  cairo_surface_destroy(surface);

  EXPECT_THROW(gfx::Canvas::overContext(nullptr, 10, 10), foundation::Error);
  cairo_surface_t* other = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
  cairo_t* ok = cairo_create(other);
  for (double bad : {0.0, -1.0, std::nan(""), 1e9}) EXPECT_THROW(gfx::Canvas::overContext(ok, bad, 10), foundation::Error);
  cairo_destroy(ok);
  cairo_surface_destroy(other);
}

}  // namespace
