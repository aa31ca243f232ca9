#include "QRCode/views/QRCodeView.hpp"

#include <cairo.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <utility>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/core/QRCodeUtilities.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "imageio/ImageExport.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/foundation/Text.hpp"

namespace {

// --- shapes by name ----------------------------------------------------------------------

QRCodePixelShapeGeneratorPtr pixelShapeNamed(const std::string& name) {
  try {
    return QRCodePixelShapeFactory::shared().named(name);
  } catch (const std::exception&) {
    return QRCodePixelShapeSquare::Create();
  }
}

QRCodeEyeShapeGeneratorPtr eyeShapeNamed(const std::string& name) {
  try {
    return QRCodeEyeShapeFactory::shared().named(name);
  } catch (const std::exception&) {
    return std::make_shared<QRCodeEyeShapeSquare>();
  }
}

// The pupil of the name; none when no pupil has it.
QRCodePupilShapeGeneratorPtr pupilShapeNamedOrNone(const std::string& name) {
  try {
    return QRCodePupilShapeFactory::shared().named(name);
  } catch (const std::exception&) {
    return nullptr;
  }
}

// --- colours -----------------------------------------------------------------------------

gfx::Color solidColor(const QRCodeFillStyleGeneratorPtr& fill, const gfx::Color& fallback) {
  if (const auto* solid = dynamic_cast<const QRCodeFillStyleSolid*>(fill.get())) return solid->color();
  return fallback;
}

const gfx::Color& black() {
  static const gfx::Color color = gfx::Color::genericGray(0, 1);
  return color;
}
const gfx::Color& white() {
  static const gfx::Color color = gfx::Color::genericGray(1, 1);
  return color;
}

// --- drag helpers ------------------------------------------------------------------------

GdkAtom atom(std::string_view name) { return gdk_atom_intern(std::string(name).c_str(), FALSE); }

// The direct-save property on the drag's source window: the file name proposed at the
// start, the URI of the file chosen by the drop target afterwards.
std::optional<std::string> readDirectSaveProperty(GdkDragContext* context) {
  GdkWindow* window = context ? gdk_drag_context_get_source_window(context) : nullptr;
  if (!window) return std::nullopt;
  GdkAtom actualType = nullptr;
  gint actualFormat = 0, length = 0;
  guchar* data = nullptr;
  if (!gdk_property_get(window, atom(QRCodeView::promisedFileURLType), atom("text/plain"), 0, 4096, FALSE,
                        &actualType, &actualFormat, &length, &data)) {
    return std::nullopt;
  }
  std::optional<std::string> result;
  if (data && actualFormat == 8 && length > 0) result.emplace(reinterpret_cast<const char*>(data), length);
  g_free(data);
  return result;
}

void writeDirectSaveProperty(GdkDragContext* context, std::string_view value) {
  GdkWindow* window = context ? gdk_drag_context_get_source_window(context) : nullptr;
  if (!window) return;
  gdk_property_change(window, atom(QRCodeView::promisedFileURLType), atom("text/plain"), 8, GDK_PROP_MODE_REPLACE,
                      reinterpret_cast<const guchar*>(value.data()), static_cast<gint>(value.size()));
}

// The URI of the folder holding the file of a file URI; none for anything else.
std::optional<std::string> folderURIOf(const std::string& fileURI) {
  char* path = g_filename_from_uri(fileURI.c_str(), nullptr, nullptr);
  if (!path) return std::nullopt;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  g_free(path);
  char* uri = g_filename_to_uri(folder.c_str(), nullptr, nullptr);
  if (!uri) return std::nullopt;
  std::string result(uri);
  g_free(uri);
  return result;
}

}  // namespace

// --- construction ------------------------------------------------------------------------

QRCodeView::QRCodeView() : QRCodeDocumentView(std::make_shared<QRCodeDocument>()) {
  setupDragSource();
  documentDidChange();
}

QRCodeView::QRCodeView(QRCodeDocumentPtr document)
    : QRCodeDocumentView(document), ownDocument_(document ? std::move(document) : std::make_shared<QRCodeDocument>()) {
  setupDragSource();
  documentDidChange();
}

QRCodeView::QRCodeView(BaseObjectType* cobject, const Glib::RefPtr<Gtk::Builder>& builder)
    : QRCodeDocumentView(cobject, builder) {
  setupDragSource();
  documentDidChange();
}

QRCodeView::~QRCodeView() = default;

void QRCodeView::setupDragSource() {
  add_events(Gdk::BUTTON_PRESS_MASK);
  signal_button_press_event().connect(sigc::mem_fun(*this, &QRCodeView::onButtonPress), false);
  signal_drag_begin().connect(sigc::mem_fun(*this, &QRCodeView::onDragBegin), true);
  signal_drag_end().connect(sigc::mem_fun(*this, &QRCodeView::onDragEnd), true);
  signal_drag_data_get().connect(sigc::mem_fun(*this, &QRCodeView::onDragDataGet), true);
}

void QRCodeView::documentDidChange() {
  storeDocument(ownDocument_);
  requestRender(ownDocument_);
}

// --- properties --------------------------------------------------------------------------

void QRCodeView::setDocument(QRCodeDocumentPtr document) {
  ownDocument_ = document ? std::move(document) : std::make_shared<QRCodeDocument>();
  documentDidChange();
}

void QRCodeView::setErrorCorrection(QRCode::ErrorCorrection errorCorrection) {
  ownDocument_->setErrorCorrection(errorCorrection);
  documentDidChange();
}

foundation::Bytes QRCodeView::data() const {
  const foundation::Bytes* bytes = ownDocument_->data();
  return bytes ? *bytes : foundation::Bytes{};
}

void QRCodeView::setData(foundation::Bytes data) {
  ownDocument_->setData(std::move(data));
  documentDidChange();
}

void QRCodeView::setDesign(QRCodeDesignPtr design) {
  ownDocument_->setDesign(std::move(design));
  documentDidChange();
}

void QRCodeView::setLogoTemplate(QRCodeLogoTemplatePtr logoTemplate) {
  ownDocument_->setLogoTemplate(std::move(logoTemplate));
  documentDidChange();
}

double QRCodeView::cellSize() const {
  const double side = std::trunc(static_cast<double>(std::min(get_allocated_width(), get_allocated_height())));
  return ownDocument_->cellSizeForImageDimension(static_cast<std::int64_t>(std::max(0.0, side)));
}

// --- content -----------------------------------------------------------------------------

bool QRCodeView::setString(std::string_view text) {
  if (!foundation::isValidUTF8(text)) return false;
  ownDocument_->setData(foundation::Bytes(text.begin(), text.end()));
  documentDidChange();
  return true;
}

bool QRCodeView::setString(std::string_view text, const char* encoding) {
  if (!encoding || !foundation::isValidUTF8(text)) return false;
  gsize written = 0;
  GError* error = nullptr;
  gchar* converted = g_convert(text.data(), static_cast<gssize>(text.size()), encoding, "UTF-8", nullptr,
                               &written, &error);
  if (!converted) {
    g_clear_error(&error);
    return false;
  }
  foundation::Bytes bytes(reinterpret_cast<const std::uint8_t*>(converted),
                          reinterpret_cast<const std::uint8_t*>(converted) + written);
  g_free(converted);
  ownDocument_->setData(std::move(bytes));
  documentDidChange();
  return true;
}

void QRCodeView::setMessage(const QRCodeMessageFormatter& message) {
  ownDocument_->setData(message.data());
  documentDidChange();
}

// --- UI description properties -----------------------------------------------------------

void QRCodeView::setIbPixelShape(std::string name) {
  pixelShape_ = std::move(name);
  design()->shape()->setOnPixels(pixelShapeNamed(pixelShape_));
  documentDidChange();
}

void QRCodeView::setIbEyeShape(std::string name) {
  eyeShape_ = std::move(name);
  const QRCodeShapePtr& shape = design()->shape();
  shape->setEye(eyeShapeNamed(eyeShape_));
  shape->setPupil(nullptr);
  documentDidChange();
}

void QRCodeView::setIbPupilShape(std::string name) {
  pupilShape_ = std::move(name);
  QRCodePupilShapeGeneratorPtr pupil = pupilShapeNamedOrNone(pupilShape_);
  design()->shape()->setPupil(pupil ? std::move(pupil) : std::make_shared<QRCodePupilShapeSquare>());
  documentDidChange();
}

std::string QRCodeView::ibCorrectionLevel() const { return std::string(QRCode::letter(errorCorrection())); }

void QRCodeView::setIbCorrectionLevel(std::string_view text) {
  const char first = text.empty() ? 'q' : text.front();
  ownDocument_->setErrorCorrection(
      QRCode::errorCorrectionFromCharacter(first).value_or(QRCode::ErrorCorrection::quartile));
  documentDidChange();
}

std::string QRCodeView::ibTextContent() const {
  const foundation::Bytes* bytes = ownDocument_->data();
  if (!bytes) return {};
  std::string text(bytes->begin(), bytes->end());
  return foundation::isValidUTF8(text) ? text : std::string();
}

void QRCodeView::setIbTextContent(std::string_view text) {
  ownDocument_->setData(foundation::isValidUTF8(text) ? foundation::Bytes(text.begin(), text.end())
                                                      : foundation::Bytes{});
  documentDidChange();
}

gfx::Color QRCodeView::ibPixelColor() const { return solidColor(design()->style()->onPixels(), black()); }
void QRCodeView::setIbPixelColor(const gfx::Color& color) {
  design()->style()->setOnPixels(QRCodeFillStyleSolid::make(color));
  documentDidChange();
}

gfx::Color QRCodeView::ibEyeColor() const { return solidColor(design()->style()->eye(), black()); }
void QRCodeView::setIbEyeColor(const gfx::Color& color) {
  design()->style()->setEye(QRCodeFillStyleSolid::make(color));
  documentDidChange();
}

gfx::Color QRCodeView::ibPupilColor() const { return solidColor(design()->style()->pupil(), black()); }
void QRCodeView::setIbPupilColor(const gfx::Color& color) {
  design()->style()->setPupil(QRCodeFillStyleSolid::make(color));
  documentDidChange();
}

gfx::Color QRCodeView::ibBackgroundColor() const { return solidColor(design()->style()->background(), white()); }
void QRCodeView::setIbBackgroundColor(const gfx::Color& color) {
  design()->style()->setBackground(QRCodeFillStyleSolid::make(color));
  documentDidChange();
}

void QRCodeView::prepareForInterfaceBuilder() {
  try {
    ownDocument_->updateWithData(data(), ownDocument_->errorCorrection());
  } catch (const std::exception& error) {
    foundation::printLine(error.what());
    return;
  }
  const QRCodeShapePtr& shape = design()->shape();
  shape->setOnPixels(pixelShapeNamed(pixelShape_));
  shape->setEye(eyeShapeNamed(eyeShape_));
  // The eye's default pupil unless a pupil of that name exists.
  shape->setPupil(pupilShape_.empty() ? nullptr : pupilShapeNamedOrNone(pupilShape_));
  ownDocument_->setLogoTemplate(ownDocument_->logoTemplate());
  documentDidChange();
}

// --- drag source -------------------------------------------------------------------------

GdkDragAction QRCodeView::draggingSourceOperationMask() const {
  return supportsDrag() ? GDK_ACTION_COPY : static_cast<GdkDragAction>(0);
}

bool QRCodeView::onButtonPress(GdkEventButton* event) {
  if (!event || event->type != GDK_BUTTON_PRESS || event->button != 1) return false;
  return mouseDown(event);
}

bool QRCodeView::mouseDown(GdkEventButton* event) {
  if (!supportsDrag()) return true;  // swallowed
  if (!get_realized() || !get_window()) return false;  // nothing on screen to drag from

  GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
  guint info = 0;
  for (std::string_view type : dragTypes) gtk_target_list_add(targets, atom(type), 0, info++);

  // The drag image: 128 x 128 pixels at 144 dpi, placed over the view's top-left corner.
  pendingDragImage_.reset();
  try {
    const PlatformImage image =
        ownDocument_->nsImage(gfx::Size{double(dragImagePixels), double(dragImagePixels)}, dragImageDPI);
    pendingDragImage_ = gfx::makeCairoSurface(image.cgImage);
  } catch (const std::exception&) {
    pendingDragImage_.reset();
  }

  // Event coordinates are in the event window's space; the drag wants the view's.
  double x = 0, y = 0;
  if (event) {
    x = event->x;
    y = event->y;
    if (event->window && event->window != get_window()->gobj()) {
      int wx = 0, wy = 0;
      gdk_window_get_origin(event->window, &wx, &wy);
      int vx = 0, vy = 0;
      get_window()->get_origin(vx, vy);
      x += wx - vx;
      y += wy - vy;
    }
    if (!get_has_window()) {
      x -= get_allocation().get_x();
      y -= get_allocation().get_y();
    }
  }
  if (pendingDragImage_) cairo_surface_set_device_offset(pendingDragImage_.get(), -x, -y);

  GdkDragContext* context =
      gtk_drag_begin_with_coordinates(GTK_WIDGET(gobj()), targets, draggingSourceOperationMask(),
                                      event ? static_cast<gint>(event->button) : 1,
                                      reinterpret_cast<GdkEvent*>(event), static_cast<int>(x), static_cast<int>(y));
  gtk_target_list_unref(targets);
  return context != nullptr;
}

void QRCodeView::onDragBegin(const Glib::RefPtr<Gdk::DragContext>& context) {
  if (!context) return;
  currentDrag_ = context->gobj();
  if (pendingDragImage_) gtk_drag_set_icon_surface(currentDrag_, pendingDragImage_.get());
  writeDirectSaveProperty(currentDrag_, droppedFileName);
}

void QRCodeView::onDragEnd(const Glib::RefPtr<Gdk::DragContext>& context) {
  if (context) {
    if (GdkWindow* window = gdk_drag_context_get_source_window(context->gobj()))
      gdk_property_delete(window, atom(promisedFileURLType));
  }
  currentDrag_ = nullptr;
  pendingDragImage_.reset();
}

void QRCodeView::onDragDataGet(const Glib::RefPtr<Gdk::DragContext>& context, Gtk::SelectionData& selection,
                               guint, guint) {
  const std::string type = selection.get_target();
  QRCodeDragPasteboard pasteboardItem;
  const bool directSave = type == promisedFileURLType;
  if (directSave) {
    // The drop target has put the URI of the file it wants on our window; its folder is
    // where the file goes.
    if (const auto fileURI = readDirectSaveProperty(context ? context->gobj() : nullptr)) {
      if (const auto folder = folderURIOf(*fileURI)) pasteboardItem.setString(*folder, pasteLocationType);
    }
  }
  pasteboard(pasteboardItem, type);
  if (directSave) {
    // "S": written (the property then names the file really written), "E": not written.
    const auto answer = pasteboardItem.stringForType(promisedFileURLType);
    if (answer) writeDirectSaveProperty(context ? context->gobj() : nullptr, *answer);
    const guint8 status = answer ? 'S' : 'E';
    selection.set(type, 8, &status, 1);
    return;
  }
  const auto data = pasteboardItem.dataForType(type);
  if (data) selection.set(type, 8, data->data(), static_cast<int>(data->size()));
}

void QRCodeView::pasteboard(QRCodeDragPasteboard& pasteboard, std::string_view type) {
  const gfx::Size size = dragImageSize();
  if (type == pasteboardTypePDF) {
    std::optional<foundation::Bytes> pdf;
    try {
      pdf = ownDocument_->pdfData(size, 72.0);
    } catch (const std::exception&) {
      pdf.reset();
    }
    pasteboard.setData(std::move(pdf), type);
    return;
  }
  if (type == pasteboardTypeTIFF || type == pasteboardTypePNG) {
    try {
      // A bitmap of dragImageSize pixels, shown at half that size in points.
      const PlatformImage image = ownDocument_->nsImage(size, 144.0);
      if (type == pasteboardTypeTIFF) {
        // The image's own resolution: its pixels per point.
        const double scale = image.size.width > 0 ? image.cgImage.width() / image.size.width : 1.0;
        pasteboard.setData(imageio::encodeImageData(image.cgImage, ImageExportType::tiff(scale)), type);
      } else {
        pasteboard.setData(imageio::encodeImageData(image.cgImage, ImageExportType::png(1.0)), type);
      }
    } catch (const std::exception&) {
      // nothing is written
    }
    return;
  }
  if (type == promisedFileContentType) {
    pasteboard.setString(pdfTypeIdentifier, type);
    return;
  }
  if (type == promisedFileURLType) {
    const auto location = pasteboard.stringForType(pasteLocationType);
    if (!location) return;
    char* folderPath = g_filename_from_uri(location->c_str(), nullptr, nullptr);
    if (!folderPath) return;
    const std::filesystem::path folder(folderPath);
    g_free(folderPath);
    const std::filesystem::path file = qrcore::uniqueFileURL(folder, droppedFileName);
    foundation::Bytes pdf;
    try {
      pdf = ownDocument_->pdfData(size, 72.0);
    } catch (const std::exception&) {
      return;  // nothing written: no file is named, and the drop answers failure
    }
    // Written to a temporary file beside it and renamed into place.
    GError* error = nullptr;
    if (!g_file_set_contents(file.c_str(), reinterpret_cast<const gchar*>(pdf.data()),
                             static_cast<gssize>(pdf.size()), &error)) {
      foundation::printLine(error ? error->message : "Could not write the file");
      g_clear_error(&error);
      return;
    }
    char* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
    if (!uri) return;
    pasteboard.setString(uri, type);
    g_free(uri);
    return;
  }
}
