#pragma once
// A QR document: its content (text or bytes), the error-correction level it is
// encoded at, its design and an optional logo template. It owns one core QRCode object,
// whose matrix it regenerates whenever the content, level, design, logo template or engine
// is set.
//
// Regeneration through a setter never throws: a failure prints
//   QRCode.Document: Could not regenerate. Error was '<case name>'
// through foundation::printLine, keeps the value just stored and the previous matrix, and
// the error is kept (regenerationError()) until a later regeneration succeeds. Drawing and
// exports refuse to work while an error is kept, so they never show a symbol that does not
// match the content. The throwing operations (setText, setURL, updateWithData,
// updateWithText, updateWithMessage) raise the error instead of printing it; setText and
// setURL keep it the same way. A failed update leaves the matrix as it was, so it keeps
// nothing: the matrix still matches the content exactly when it did before (for
// updateWithData, when the bytes just stored as content regenerated at the stored level).
//
// The design and the logo template are held by reference, not copied; changing them later
// regenerates nothing (only content and level decide the matrix) and shows at the next
// drawing.
//
// Threads: a document is used by one caller at a time, and so are documents that hold one
// design or one engine object between them (drawing changes the design's generators;
// regenerating sets the engine's inputs). copyDocument shares neither: a copy may be used
// on another thread at once.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "QRCode/render/QRCodeComponents.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "imageio/PlatformImage.hpp"
#include "imageio/ViewImage.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeMessageFormatter;
namespace foundation {
class Pasteboard;
}
namespace gfx {
class Canvas;
class Color;
}

class QRCodeDocument {
 public:
  using ErrorCorrection = QRCode::ErrorCorrection;
  using Content = QRCode::Content;

  // Empty bytes at quartile with the default engine, default design, no logo. Never
  // throws: when the engine cannot encode empty content the matrix stays empty (and the
  // error is kept, see above).
  QRCodeDocument();
  // initWithEngine: empty bytes at quartile with the engine (null: the default engine).
  // Raises the engine's error.
  explicit QRCodeDocument(std::shared_ptr<QRCodeEngine> engine);
  // initWithData:errorCorrection:engine: - raises the engine's error.
  QRCodeDocument(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection,
                 std::shared_ptr<QRCodeEngine> engine = nullptr);
  // initWithUtf8String:errorCorrection:engine: - raises the engine's error.
  QRCodeDocument(std::string_view utf8String, ErrorCorrection errorCorrection,
                 std::shared_ptr<QRCodeEngine> engine = nullptr);
  // initWithURL:errorCorrection:engine: - the text initialiser with the URL's text.
  static std::shared_ptr<QRCodeDocument> withURL(std::string_view url, ErrorCorrection errorCorrection,
                                                 std::shared_ptr<QRCodeEngine> engine = nullptr);

  QRCodeDocument(const QRCodeDocument&) = delete;
  QRCodeDocument& operator=(const QRCodeDocument&) = delete;
  // Not movable either: a document always holds a design, an engine and a matrix, which a
  // moved-from one would lack. Share documents through QRCodeDocumentPtr.
  QRCodeDocument(QRCodeDocument&&) = delete;
  QRCodeDocument& operator=(QRCodeDocument&&) = delete;
  ~QRCodeDocument();

  // --- properties (each setter regenerates) ----------------------------------------
  ErrorCorrection errorCorrection() const { return errorCorrection_; }
  // Raises QRCodeError::cannotGenerateQRCode for a value other than the four levels, and
  // changes nothing then.
  void setErrorCorrection(ErrorCorrection errorCorrection);

  // The bytes when the content is data, else null (text is not converted).
  const foundation::Bytes* data() const { return content_.dataValue(); }
  // Content data with the bytes (none: empty bytes).
  void setData(std::optional<foundation::Bytes> data);

  // The text when the content is text, else null.
  const std::string* utf8String() const { return content_.textValue(); }
  // Content text with the text (none: empty text).
  void setUtf8String(std::optional<std::string> text);

  // The text, or the standard base64 of the bytes (no line breaks).
  std::string decodedText() const;

  // Never null; setting null installs a new default design. Stored, not copied.
  const QRCodeDesignPtr& design() const { return design_; }
  void setDesign(QRCodeDesignPtr design);

  const QRCodeLogoTemplatePtr& logoTemplate() const { return logoTemplate_; }
  void setLogoTemplate(QRCodeLogoTemplatePtr logoTemplate);

  const std::shared_ptr<QRCodeEngine>& engine() const { return qrcode_.engine(); }
  // null installs a new default engine.
  void setEngine(std::shared_ptr<QRCodeEngine> engine);

  const Content& content() const { return content_; }
  void setContent(Content content);

  // In-place access to a stored field; regenerates when fn returns normally. fn receives a
  // reference to the field. When fn throws, the field is put back as it was (for the design
  // and the logo template, the pointer: changes made to the object through it stay) and
  // the exception goes on to the caller. fn may call the document back (a setter, another
  // access, an update or an export): when anything regenerated meanwhile, the matrix is
  // made again after the field is put back, so that it is always the one made from the
  // content and level the document holds (a failure then is printed and kept, as by the
  // setters). The document still holds a design and one of the four levels.
  template <class F> void modifyContent(F&& fn) {
    modifyOrRestore(content_, std::forward<F>(fn), [](const Content&) {});
  }
  // A level other than the four is refused as by setErrorCorrection when fn returns: the
  // old one is put back as when fn throws.
  template <class F> void modifyErrorCorrection(F&& fn) {
    modifyOrRestore(errorCorrection_, std::forward<F>(fn), [](ErrorCorrection level) { requireKnownLevel(level); });
  }
  // fn receives the pointer to the design the document holds. Changes made to that object
  // show at once; another pointer stored through the reference takes the document's place
  // when fn returns (null: a new default design). Until then the document keeps the design
  // it held (or one that fn set through setDesign), so it never holds none: a drawing or
  // export made from inside fn shows that design.
  template <class F> void modifyDesign(F&& fn) {
    QRCodeDesignPtr design = design_;
    const QRCodeDesign* const handed = design.get();
    modifyOrRestore(
        design_,
        [&](QRCodeDesignPtr& held) {
          std::forward<F>(fn)(design);
          if (design.get() != handed) held = design ? std::move(design) : QRCodeDesign::make();
        },
        [](const QRCodeDesignPtr&) {});
  }
  template <class F> void modifyLogoTemplate(F&& fn) {
    modifyOrRestore(logoTemplate_, std::forward<F>(fn), [](const QRCodeLogoTemplatePtr&) {});
  }

  // --- the matrix ------------------------------------------------------------------
  // The core's current matrix, shared (a later regeneration replaces the core's pointer
  // and leaves this one valid).
  std::shared_ptr<const QRCodeBoolMatrix> boolMatrix() const { return qrcode_.boolMatrix(); }
  std::int64_t cellDimension() const { return qrcode_.cellDimension(); }
  double cellSizeForImageDimension(std::int64_t imageDimension) const {
    return qrcode_.cellSizeForImageDimension(imageDimension);
  }
  // The core object (its engine, matrix and level), for the drawing and exports.
  const QRCode& qrcode() const { return qrcode_; }

  // The error of the last regeneration when it failed; none after a success.
  const std::optional<foundation::Error>& regenerationError() const { return regenerationError_; }
  // Raises the kept regeneration error, if any. Drawing and exports call it first.
  void throwIfRegenerationFailed() const {
    if (regenerationError_) throw *regenerationError_;
  }

  // --- content and regeneration operations (raise the engine's error) ---------------
  void setText(std::string_view text);
  void setURL(std::string_view url);
  // Content data with the bytes (regenerating at the stored level), then the core
  // regenerates from the bytes at the given level; errorCorrection() is unchanged.
  void updateWithData(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection);
  // The core regenerates from the text at the given level; the content and level stay.
  void updateWithText(std::string_view text, ErrorCorrection errorCorrection);

  // A new document with the default engine, the same content, a copy of the design (whose
  // error is raised), a copy of the logo template and the same level. The copy shares no
  // engine or changeable part with this one, so each may be used on its own thread (a
  // document itself is used by one caller at a time).
  std::shared_ptr<QRCodeDocument> copyDocument() const;

  // --- Drawing and image exports (QRCodeDocument+Drawing.cpp) ---
  // Every export reads the current matrix, design and logo template and changes nothing;
  // each first raises the kept regeneration error, if any. Bitmap sizes are pixels (a
  // width or height is truncated toward zero and must come to 1 ... 32767), PDF and path
  // sizes points; dpi only sets the recorded resolution or the point size. Failures:
  // QRCodeError::cannotGenerateImage for sizes, resolutions or dpi that cannot make an
  // image, and the image writer's ImageReadWriteError (invalidDPI for dpi <= 0).

  // Draws the document into the canvas (y growing downwards) inside the rectangle.
  void drawWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect);

  // The outline of the components for a drawing of the given size, the design's extra
  // quiet zone included. When that quiet zone leaves no room across the width or the
  // height, prints "additionalQuietSpace too large" and gives an empty path. With the
  // design's negatedOnPixelsOnly the negated on-pixels are added to the components.
  gfx::Path path(gfx::Size size, QRCodeComponents components);
  gfx::Path pathWithDimension(std::int64_t dimension, QRCodeComponents components);

  gfx::Image cgImageWithDimension(std::int64_t dimension);
  gfx::Image cgImage(gfx::Size size);
  gfx::Image cgImageWithWidth(double width, double height);

  foundation::Bytes pngDataWithDimension(std::int64_t dimension, double dpi);
  // compression is clamped to 0 ... 1 (NaN counts as 0).
  foundation::Bytes jpegDataWithDimension(std::int64_t dimension, double dpi, double compression);
  // Lossless, with no compression requested.
  foundation::Bytes tiffDataWithDimension(std::int64_t dimension, double dpi);

  // One page of size x 72 / pdfResolution points; the resolution must be finite and > 0.
  foundation::Bytes pdfData(gfx::Size size, double pdfResolution);
  foundation::Bytes pdfDataWithDimension(std::int64_t dimension, double pdfResolution);
  foundation::Bytes pdfDataWithWidth(double width, double height, double pdfResolution);

  // The bitmap with its size in points (pixels x 72 / dpi); dpi must be finite and > 0.
  PlatformImage nsImageWithDimension(std::int64_t dimension, double dpi);
  PlatformImage platformImageWithDimension(std::int64_t dimension, double dpi);
  PlatformImage nsImage(gfx::Size size, double dpi);
  // The image of the declarative views: the bitmap of the size, shown at the scale dpi / 72,
  // upright, with the accessibility label; a dpi that is not finite and > 0, or too small
  // for a finite point size, fails with ImageReadWriteError::invalidDPI before anything is
  // drawn.
  ViewImage swiftUIImage(gfx::Size size, double dpi, std::string label);

  // One-shot exports: a new document of the text at the level (default engine; its error
  // is raised), styled, then drawn.
  // The foreground colour for the on-pixels (eye and pupil follow it) and the background.
  static gfx::Image generateImage(std::string_view text, std::int64_t dimension, const gfx::Color& foregroundColor,
                                  const gfx::Color& backgroundColor, ErrorCorrection errorCorrection);
  // The design's shape and style replaced by those given (null keeps the default).
  static gfx::Image generateImage(std::string_view text, std::int64_t dimension, ErrorCorrection errorCorrection,
                                  QRCodeShapePtr shape, QRCodeStylePtr style);
  static gfx::Path generatePath(std::string_view text, std::int64_t dimension, QRCodeComponents components,
                                ErrorCorrection errorCorrection, QRCodeShapePtr shape);
  // --- end of drawing and image exports ---

  // --- Text, SVG and pasteboard exports (QRCodeDocument+Text.cpp) ---
  // Like the drawing exports, the SVG and data exports first raise the kept regeneration
  // error, if any; the text renderings show the current matrix and never fail.

  // An export format and its options, for imageData.
  class ExportType {
   public:
    enum class Kind { png, jpg, tiff, pdf, svg };
    static ExportType png(double dpi) { return ExportType(Kind::png, dpi, 0); }
    static ExportType jpg(double dpi, double compression) { return ExportType(Kind::jpg, dpi, compression); }
    static ExportType tiff(double dpi) { return ExportType(Kind::tiff, dpi, 0); }
    static ExportType pdf(double pdfResolution) { return ExportType(Kind::pdf, pdfResolution, 0); }
    static ExportType svg() { return ExportType(Kind::svg, 0, 0); }

    Kind kind() const { return kind_; }
    // png, jpg, tiff: the dpi.
    double dpi() const { return resolution_; }
    // jpg: the compression.
    double compression() const { return compression_; }
    // pdf: the resolution.
    double pdfResolution() const { return resolution_; }

   private:
    ExportType(Kind kind, double resolution, double compression)
        : kind_(kind), resolution_(resolution), compression_(compression) {}
    Kind kind_;
    double resolution_;
    double compression_;
  };

  // The SVG text of a dimension x dimension document (see QRCode/render/QRCodeSVGExport.hpp
  // for its errors), and the same as UTF-8 bytes.
  std::string svgWithDimension(std::int64_t dimension);
  foundation::Bytes svgDataWithDimension(std::int64_t dimension);
  // The export of the type at the dimension: pngDataWithDimension, jpegDataWithDimension,
  // tiffDataWithDimension, pdfDataWithDimension or svgDataWithDimension; raises its error.
  foundation::Bytes imageData(const ExportType& type, std::int64_t dimension);

  // Two characters per module ("██" on, two spaces off), a line feed after every row.
  std::string asciiRepresentation() const;
  // Two rows per line with half blocks (see QRCode/render/QRCodeTextRenderings.hpp).
  std::string smallAsciiRepresentation() const;

  // Clears the pasteboard and writes the PDF, TIFF, PNG and SVG forms of the document (see
  // QRCode/render/QRCodePasteboardExport.hpp). Reports nothing but a pasteboard without a
  // clipboard (PasteboardError::unavailable); while a regeneration error is kept the
  // pasteboard is left empty. On the thread the pasteboard asks for.
  void addToPasteboardWithDimension(std::int64_t dimension, double dpi, foundation::Pasteboard& pasteboard);
  void addToPasteboard(gfx::Size size, double dpi, foundation::Pasteboard& pasteboard);
  // --- end of text, SVG and pasteboard exports ---

  // --- Archive, messages (QRCodeDocument+Archive.cpp, +Message.cpp) ---
  // The archive is a settings dictionary: "correction" (the level's letter), "design" (the
  // design's settings), "text" or "data" (standard base64 of the bytes), and "logoTemplate"
  // when there is one. The engine is not archived.

  // The domain of the document's own error (code -1, "Unable to decode object") and of the
  // JSON reader's error (code 0, case "dataCorrupted").
  static constexpr std::string_view errorDomain = "QRCodeDocument";
  static constexpr std::string_view jsonReaderErrorDomain = "JSONReader";
  static foundation::Error unableToDecodeObjectError();

  // The settings dictionary; raises the design's settings error.
  foundation::Settings settings() const;
  // The settings as compact JSON; raises the settings error, or
  // QRCodeError::cannotGenerateJSON when they hold a number that is not finite or text
  // that is not UTF-8.
  foundation::Bytes jsonData() const;
  // The same, pretty-printed with sorted keys.
  std::string jsonStringFormatted() const;

  // Loads content, level, design and logo template through the setters (each regenerates
  // and prints a failure), falling back on bad values, then regenerates once more and
  // raises that regeneration's error.
  void loadWithSettings(const foundation::Settings& settings);
  // Raises the JSON reader's error for malformed JSON and unableToDecodeObjectError() for a
  // top level that is not an object, then loads the settings.
  void loadWithJsonData(std::span<const std::uint8_t> json);
  // initWithSettings:engine: / initWithJsonData:engine: - a document with the engine (null:
  // the default engine), then loaded. The JSON is read and checked before the document is
  // made.
  static std::shared_ptr<QRCodeDocument> CreateWithSettings(const foundation::Settings& settings,
                                                            std::shared_ptr<QRCodeEngine> engine = nullptr);
  static std::shared_ptr<QRCodeDocument> CreateWithJsonData(std::span<const std::uint8_t> json,
                                                            std::shared_ptr<QRCodeEngine> engine = nullptr);

  // Takes a copy of the source's design (its error raised, nothing changed) and, with the
  // flag, a copy of its logo template (none when it has none).
  void applyDesignFrom(const QRCodeDocument& source, bool includeLogoTemplate);
  // A copy of this document with the source's design applied; this document is unchanged.
  std::shared_ptr<QRCodeDocument> applyingDesignFrom(const QRCodeDocument& source,
                                                     bool includeLogoTemplate) const;
  // A document from template JSON with its content replaced by the text (its level,
  // design and logo kept); then its PNG at 72 dpi or its PDF.
  static std::shared_ptr<QRCodeDocument> UsingTemplateWithTemplateJSONData(std::span<const std::uint8_t> templateJSON,
                                                                           std::string_view text);
  static foundation::Bytes PNGUsingTemplateWithTemplateJSONData(std::span<const std::uint8_t> templateJSON,
                                                                std::string_view text, std::int64_t dimension);
  static foundation::Bytes PDFUsingTemplateWithTemplateJSONData(std::span<const std::uint8_t> templateJSON,
                                                                std::string_view text, std::int64_t dimension,
                                                                double resolution);

  // Content to be formatted into a document.
  class FormattedContent {
   public:
    struct Text { std::string text; };                 // text, unchanged
    struct Base64 { foundation::Bytes data; };         // text: the bytes' base64
    struct RawData { foundation::Bytes data; };        // data, unchanged
    struct Link { std::string url; };                  // text of a link message
    struct Location { double lat; double longitude; }; // text of a location message
    struct Phone { std::string phoneNumber; };         // text of a phone message
    struct SMS { std::string mobileNumber; std::string message; };
    struct Event {
      std::string summary;
      std::string location;
      std::chrono::sys_time<std::chrono::microseconds> start;  // years 1 to 9999 (QRCodeMessageEvent)
      std::chrono::sys_time<std::chrono::microseconds> end;
    };
    using Value = std::variant<Text, Base64, RawData, Link, Location, Phone, SMS, Event>;

    static FormattedContent text(std::string text) { return FormattedContent(Text{std::move(text)}); }
    static FormattedContent base64(foundation::Bytes data) { return FormattedContent(Base64{std::move(data)}); }
    static FormattedContent rawData(foundation::Bytes data) { return FormattedContent(RawData{std::move(data)}); }
    static FormattedContent link(std::string url) { return FormattedContent(Link{std::move(url)}); }
    static FormattedContent location(double lat, double longitude) {
      return FormattedContent(Location{lat, longitude});
    }
    static FormattedContent phone(std::string phoneNumber) { return FormattedContent(Phone{std::move(phoneNumber)}); }
    static FormattedContent sms(std::string mobileNumber, std::string message) {
      return FormattedContent(SMS{std::move(mobileNumber), std::move(message)});
    }
    static FormattedContent event(std::string summary, std::string location,
                                  std::chrono::sys_time<std::chrono::microseconds> start,
                                  std::chrono::sys_time<std::chrono::microseconds> end) {
      return FormattedContent(Event{std::move(summary), std::move(location), start, end});
    }

    const Value& value() const noexcept { return value_; }
    // The content it gives; raises the message constructor's error.
    Content content() const;

   private:
    explicit FormattedContent(Value value) : value_(std::move(value)) {}
    Value value_;
  };

  // initWithMessage:errorCorrection:engine: - the text initialiser with the message's text,
  // or the data initialiser with its bytes when it has none; raises the engine's error.
  static std::shared_ptr<QRCodeDocument> withMessage(const QRCodeMessageFormatter& message,
                                                     ErrorCorrection errorCorrection,
                                                     std::shared_ptr<QRCodeEngine> engine = nullptr);
  // initWithFormattedContent:errorCorrection:engine: - a document of the formatted content
  // at the level; raises the formatter's or the engine's error.
  static std::shared_ptr<QRCodeDocument> withFormattedContent(const FormattedContent& content,
                                                              ErrorCorrection errorCorrection,
                                                              std::shared_ptr<QRCodeEngine> engine = nullptr);
  // Text content with the message's text, regenerating and raising the engine's error; or,
  // for a message without text, data content with its bytes (a failure is printed).
  void setMessage(const QRCodeMessageFormatter& message);
  // Stores the level, then the formatted content (each regenerating, failures printed);
  // raises the formatter's error, leaving the content as it was.
  void setFormattedContent(const FormattedContent& content, ErrorCorrection errorCorrection);
  // The core regenerates from the message's bytes at the level; raises the engine's error.
  // The content and the stored level are not changed.
  void updateWithMessage(const QRCodeMessageFormatter& message, ErrorCorrection errorCorrection);
  // --- end of archive, messages ---

 private:
  // Raises QRCodeError::cannotGenerateQRCode unless the value is one of the four levels.
  static void requireKnownLevel(ErrorCorrection errorCorrection);
  // Regenerates from the stored content and level; raises the engine's error (and keeps
  // it).
  void regenerate();
  // Regenerates; a failure is printed, not raised.
  void regenerateAndReport();
  // Runs fn, then check, on the field and regenerates. When either throws, puts the field's
  // old value back, makes the matrix again when anything asked the core for one meanwhile
  // (fn calling the document back), and rethrows.
  template <class T, class F, class Check> void modifyOrRestore(T& field, F&& fn, Check&& check) {
    T old = field;
    const std::uint64_t generations = generations_;
    try {
      std::forward<F>(fn)(field);
      std::forward<Check>(check)(std::as_const(field));
    } catch (...) {
      field = std::move(old);
      if (generations_ != generations) regenerateAndReport();
      throw;
    }
    regenerateAndReport();
  }

  ErrorCorrection errorCorrection_ = ErrorCorrection::quartile;
  QRCodeDesignPtr design_;
  QRCodeLogoTemplatePtr logoTemplate_;
  QRCode qrcode_;
  Content content_;
  std::optional<foundation::Error> regenerationError_;
  // How many times the core has been asked for a matrix (regenerations and updates).
  std::uint64_t generations_ = 0;
};

using QRCodeDocumentPtr = std::shared_ptr<QRCodeDocument>;

namespace qrdocument {
// The coded form of a content: {"text": text} or {"data": base64 of the bytes}.
foundation::Settings encodeContent(const QRCode::Content& content);
// {"data": base64} gives data (it wins over "text"), else {"text": text} gives text;
// raises QRCodeError::invalidContent when neither key is present or a value is not
// readable.
QRCode::Content decodeContent(const foundation::Settings& coded);
}  // namespace qrdocument
