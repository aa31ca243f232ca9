#pragma once
// QRCodeView: the ready-made QR widget. A QRCodeDocumentView that always owns a document,
// exposes the document's content, error correction, design and logo template as its own
// properties, offers text and colour properties for UI descriptions (the "ib" properties)
// and can be a drag source that hands the code to other applications as PDF, PNG or TIFF
// data, or as a PDF file dropped into a folder.
//
// Every change ends with documentDidChange: the document view's debounced background render
// of the owned document (several changes within 0.1 s give one render).
//
// Drag and drop (when supportsDrag is true): a button-1 press starts a GTK drag at once
// offering, in this order, application/pdf, image/png, image/tiff, the direct-save file
// promise (XdndDirectSave0: the drop target names the folder, the view writes
// "Dropped QRCode.pdf" there, or Dropped QRCode-2.pdf and so on when that exists) and the
// promised file's content type. The drag image is the code at 128 x 128 pixels. The data is
// made only when a drop target asks for it (see pasteboard()). With supportsDrag false a
// press is swallowed and starts nothing.
//
// Everything here runs on the GTK main thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <gdk/gdk.h>

#include "QRCode/core/QRCodeMessageFormatter.hpp"
#include "QRCode/views/QRCodeDocumentView.hpp"
#include "QRCode/views/QRCodeDragPasteboard.hpp"
#include "platform/graphics/CairoSurface.hpp"
#include "platform/graphics/Color.hpp"

class QRCodeView : public QRCodeDocumentView {
 public:
  // --- the drag types (GTK targets) ---------------------------------------------------
  static constexpr std::string_view pasteboardTypePDF = "application/pdf";
  static constexpr std::string_view pasteboardTypePNG = "image/png";
  static constexpr std::string_view pasteboardTypeTIFF = "image/tiff";
  // The file promise: the direct-save protocol's target. The answer is the URI of the
  // file written.
  static constexpr std::string_view promisedFileURLType = "XdndDirectSave0";
  // The promised file's content type; answered with the PDF type.
  static constexpr std::string_view promisedFileContentType = "application/x-promised-file-content-type";
  // Where the drop target wants the promised file: the URI of a folder, read from the same
  // pasteboard (the view fills it from the direct-save property the target set).
  static constexpr std::string_view pasteLocationType = "application/x-paste-location";
  // The type answered for promisedFileContentType.
  static constexpr std::string_view pdfTypeIdentifier = "application/pdf";
  // The name of the dropped file.
  static constexpr std::string_view droppedFileName = "Dropped QRCode.pdf";
  // The drag types, in the order they are offered.
  static constexpr std::string_view dragTypes[] = {pasteboardTypePDF, pasteboardTypePNG, pasteboardTypeTIFF,
                                                   promisedFileURLType, promisedFileContentType};
  // The drag image: the code at dragImagePixels pixels (shown at that size in the view's
  // coordinates) rendered at dragImageDPI.
  static constexpr int dragImagePixels = 128;
  static constexpr double dragImageDPI = 144.0;

  // initWithFrame: / init - a view of a new plain document.
  QRCodeView();
  // initWithDocument: (null: a new plain document).
  explicit QRCodeView(QRCodeDocumentPtr document);
  // A view decoded from a Gtk::Builder description (a GtkFixed object): a new plain
  // document.
  QRCodeView(BaseObjectType* cobject, const Glib::RefPtr<Gtk::Builder>& builder);
  ~QRCodeView() override;

  // --- the document ------------------------------------------------------------------
  // Never null: setting null installs a new plain document.
  const QRCodeDocumentPtr& document() const { return ownDocument_; }
  void setDocument(QRCodeDocumentPtr document) override;

  QRCode::ErrorCorrection errorCorrection() const { return ownDocument_->errorCorrection(); }
  void setErrorCorrection(QRCode::ErrorCorrection errorCorrection);
  // The content's bytes; empty when the content is text.
  foundation::Bytes data() const;
  void setData(foundation::Bytes data);
  const QRCodeDesignPtr& design() const { return ownDocument_->design(); }
  void setDesign(QRCodeDesignPtr design);
  const QRCodeLogoTemplatePtr& logoTemplate() const { return ownDocument_->logoTemplate(); }
  void setLogoTemplate(QRCodeLogoTemplatePtr logoTemplate);
  std::int64_t cellDimension() const { return ownDocument_->cellDimension(); }
  // The size of one module when the code fills the smaller side of the view (truncated to
  // whole points first).
  double cellSize() const;

  bool supportsDrag() const { return supportsDrag_; }
  void setSupportsDrag(bool supportsDrag) { supportsDrag_ = supportsDrag; }
  gfx::Size dragImageSize() const { return dragImageSize_; }
  void setDragImageSize(gfx::Size size) { dragImageSize_ = size; }

  // --- content -----------------------------------------------------------------------
  // The text's UTF-8 bytes become the content as data. False (nothing changed) for text
  // that is not valid UTF-8.
  bool setString(std::string_view text);
  // The same with the text (UTF-8) converted to the named character set first (for
  // example "ISO-8859-1"); false when it cannot be converted without loss.
  bool setString(std::string_view text, const char* encoding);
  // The message's bytes become the content as data.
  void setMessage(const QRCodeMessageFormatter& message);

  // --- UI description properties -----------------------------------------------------
  const std::string& ibPixelShape() const { return pixelShape_; }
  // Pixel shape by name (the factory's; unknown names give square pixels).
  void setIbPixelShape(std::string name);
  const std::string& ibEyeShape() const { return eyeShape_; }
  // Eye shape by name (unknown names give the square eye); the pupil is cleared so the
  // eye's default pupil is drawn.
  void setIbEyeShape(std::string name);
  const std::string& ibPupilShape() const { return pupilShape_; }
  // Pupil shape by name (unknown names, the empty one included, give the square pupil).
  void setIbPupilShape(std::string name);
  // "L", "M", "Q" or "H".
  std::string ibCorrectionLevel() const;
  // The first character of the text ("q" for the empty text) as a level letter in either
  // case; any other character gives quartile.
  void setIbCorrectionLevel(std::string_view text);
  // The content's bytes as UTF-8 text; "" for bytes that are not UTF-8 or text content.
  std::string ibTextContent() const;
  void setIbTextContent(std::string_view text);
  // The colour of the solid fill of the on-pixels, eyes, pupils or background (black, or
  // white for the background, when the fill is absent or not solid). Setting one replaces
  // only that fill with a solid fill of the colour.
  gfx::Color ibPixelColor() const;
  void setIbPixelColor(const gfx::Color& color);
  gfx::Color ibEyeColor() const;
  void setIbEyeColor(const gfx::Color& color);
  gfx::Color ibPupilColor() const;
  void setIbPupilColor(const gfx::Color& color);
  gfx::Color ibBackgroundColor() const;
  void setIbBackgroundColor(const gfx::Color& color);

  // The preview step of a UI designer: regenerates the document from its bytes and level
  // (a failure is printed and stops here), applies the three shape names (an empty pupil
  // name, or one not found, leaves no pupil), regenerates through the logo template and
  // asks for a render.
  void prepareForInterfaceBuilder();

  // --- drag source ---------------------------------------------------------------------
  // A button press: with supportsDrag false it is swallowed (true, nothing else happens);
  // otherwise a drag of the five types starts with the drag image (true when GTK began
  // it; false when the view is not realized). Called by the view's button-press handler
  // for button 1.
  bool mouseDown(GdkEventButton* event);
  // Copy with supportsDrag, nothing otherwise.
  GdkDragAction draggingSourceOperationMask() const;
  // Provides the data of one drag type into the pasteboard (see the class comment):
  //  application/pdf   the PDF of dragImageSize points at 72 dpi (no data on failure);
  //  image/tiff        the bitmap of dragImageSize pixels at 144 dpi as TIFF (nothing on
  //                    failure);
  //  image/png         the same bitmap as PNG at 72 dpi (nothing on failure);
  //  content type      the PDF type;
  //  XdndDirectSave0   reads the folder from pasteLocationType (stops when there is none
  //                    or it is not a file URI), writes the PDF atomically to the first
  //                    free "Dropped QRCode.pdf" name there (a PDF that cannot be made
  //                    stops; a failed write prints its error and stops) and answers
  //                    with the file's URI; stopping answers nothing (the drop fails);
  //  anything else     nothing.
  void pasteboard(QRCodeDragPasteboard& pasteboard, std::string_view type);
  // The drag that mouseDown began last, while it runs (null otherwise).
  GdkDragContext* currentDrag() const { return currentDrag_; }

 private:
  // Shows the owned document: stores it as the document view's document and asks for a
  // render.
  void documentDidChange();
  void setupDragSource();
  bool onButtonPress(GdkEventButton* event);
  void onDragBegin(const Glib::RefPtr<Gdk::DragContext>& context);
  void onDragEnd(const Glib::RefPtr<Gdk::DragContext>& context);
  void onDragDataGet(const Glib::RefPtr<Gdk::DragContext>& context, Gtk::SelectionData& selection,
                     guint info, guint time);

  bool supportsDrag_ = false;
  gfx::Size dragImageSize_{512, 512};
  std::string eyeShape_;
  std::string pixelShape_;
  std::string pupilShape_;
  QRCodeDocumentPtr ownDocument_ = std::make_shared<QRCodeDocument>();
  gfx::CairoSurfacePtr pendingDragImage_;
  GdkDragContext* currentDrag_ = nullptr;
};
