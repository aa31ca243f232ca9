#pragma once
// The QR code model: an encoder engine and the module matrix it last produced, regenerated
// from text, bytes or a message at an error-correction level.
//
// Threads: a model is used by one caller at a time, like its engine. A copy holds an engine
// of its own (the source engine's copyEngine(), same kind and settings) and the source's
// current matrix, which nobody changes, so a model and its copies may regenerate on
// separate threads at once. Only an engine that makes no copies of itself (copyEngine()
// null) is shared by the copies, and they are then one caller at a time among them; so
// are models given one engine object through the initialisers or setEngine().
//
// Nested types: QRCode::ErrorCorrection, QRCode::Content, QRCode::SettingsKey (here) and
// QRCode::Corners (QRCode/core/QRCodeCorners.hpp).

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/core/QRCodeMessageFormatter.hpp"
#include "platform/foundation/Text.hpp"

namespace gfx {
class Image;
}
struct QRCodeFeature;  // one code found in an image (QRCode/core/QRCodeDetection.hpp)

class QRCode {
 public:
  // --- error-correction levels ---------------------------------------------------------
  enum class ErrorCorrection : int { low = 0, medium = 1, quartile = 2, high = 3 };

  // Every level, in order.
  static constexpr std::array<ErrorCorrection, 4> allErrorCorrections{
      ErrorCorrection::low, ErrorCorrection::medium, ErrorCorrection::quartile,
      ErrorCorrection::high};
  static constexpr int rawValue(ErrorCorrection level) noexcept { return static_cast<int>(level); }
  // The level with that raw value; none outside 0...3.
  static constexpr std::optional<ErrorCorrection> errorCorrectionFromRawValue(
      std::int64_t raw) noexcept {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<ErrorCorrection>(raw);
  }
  // The level of one letter, read without regard to case (l, m, q, h); none otherwise.
  static constexpr std::optional<ErrorCorrection> errorCorrectionFromCharacter(char c) noexcept {
    switch (c) {
      case 'l': case 'L': return ErrorCorrection::low;
      case 'm': case 'M': return ErrorCorrection::medium;
      case 'q': case 'Q': return ErrorCorrection::quartile;
      case 'h': case 'H': return ErrorCorrection::high;
      default: return std::nullopt;
    }
  }
  // The same for a text of exactly one character (the archive form); none otherwise.
  static constexpr std::optional<ErrorCorrection> errorCorrectionFromCharacter(
      std::string_view text) noexcept {
    if (text.size() != 1) return std::nullopt;
    return errorCorrectionFromCharacter(text[0]);
  }
  // The upper-case letter: "L", "M", "Q", "H" (the archive form).
  static constexpr std::string_view letter(ErrorCorrection level) noexcept {
    switch (level) {
      case ErrorCorrection::low: return "L";
      case ErrorCorrection::medium: return "M";
      case ErrorCorrection::quartile: return "Q";
      case ErrorCorrection::high: return "H";
    }
    return "";
  }

  // --- content -------------------------------------------------------------------------
  // Bytes or text.
  class Content {
   public:
    static Content data(foundation::Bytes bytes) { return Content(std::move(bytes)); }
    static Content text(std::string text) { return Content(std::move(text)); }
    Content() : value_(foundation::Bytes{}) {}  // empty bytes

    bool isData() const noexcept { return value_.index() == 0; }
    bool isText() const noexcept { return value_.index() == 1; }
    // The bytes (null when the content is text) and the text (null when it is bytes).
    const foundation::Bytes* dataValue() const noexcept {
      return std::get_if<foundation::Bytes>(&value_);
    }
    const std::string* textValue() const noexcept { return std::get_if<std::string>(&value_); }

    friend bool operator==(const Content&, const Content&) = default;

   private:
    explicit Content(foundation::Bytes b) : value_(std::move(b)) {}
    explicit Content(std::string t) : value_(std::move(t)) {}
    std::variant<foundation::Bytes, std::string> value_;
  };

  // --- settings keys -------------------------------------------------------------------
  // The keys that shapes and designs use in their settings dictionaries.
  class SettingsKey {
   public:
    static constexpr std::string_view cornerRadiusFraction() { return "cornerRadiusFraction"; }
    static constexpr std::string_view insetFraction() { return "insetFraction"; }
    static constexpr std::string_view hasInnerCorners() { return "hasInnerCorners"; }
    static constexpr std::string_view insetGeneratorName() { return "insetGeneratorName"; }
    static constexpr std::string_view rotationFraction() { return "rotationFraction"; }
    static constexpr std::string_view useRandomRotation() { return "useRandomRotation"; }
    static constexpr std::string_view useRandomInset() { return "useRandomInset"; }
    static constexpr std::string_view corners() { return "corners"; }
    static constexpr std::string_view additionalQuietZonePixels() {
      return "additionalQuietZonePixels";
    }
    static constexpr std::string_view isFlipped() { return "isFlipped"; }
  };

  // A set of the four corners of a square (QRCode/core/QRCodeCorners.hpp).
  struct Corners;
  // The outline of a code as a shape value (QRCode/views/QRCodeUIViews.hpp). Inside this
  // class the name means that value; the design class is ::QRCodeShape.
  class QRCodeShape;

  // --- detection in images (QRCode/core/QRCodeDetection.hpp) -----------------------------
  enum class DetectionAccuracy : std::int64_t { low = 0, high = 1 };
  // The accuracy with that raw value; none outside 0...1.
  static constexpr std::optional<DetectionAccuracy> detectionAccuracyFromRawValue(
      std::int64_t raw) noexcept {
    if (raw < 0 || raw > 1) return std::nullopt;
    return static_cast<DetectionAccuracy>(raw);
  }
  // Every QR code found in the image, in the detector's order; empty when none is found or
  // the image cannot be read. Never fails.
  static std::vector<QRCodeFeature> DetectQRCodes(const gfx::Image& image,
                                                  DetectionAccuracy accuracy);
  // The texts of the codes found, in the same order (codes without a text are skipped).
  static std::vector<std::string> DetectQRStrings(
      const gfx::Image& image, DetectionAccuracy accuracy = DetectionAccuracy::high);
  // The codes in an image file (its bytes), at accuracy high; empty when the bytes do not
  // decode to an image.
  static std::vector<QRCodeFeature> DetectQRCodesIn(std::span<const std::uint8_t> imageFileData);

  // --- document file type ----------------------------------------------------------------
  static constexpr std::string_view EncodingExtension() { return "qrjcode"; }
  static constexpr std::string_view EncodingUTI() { return "org.morvane.qrcode.encoding.qrjcode"; }

  // --- engines ---------------------------------------------------------------------------
  // A new QRCodeEngineCoreImage.
  static std::shared_ptr<QRCodeEngine> QRCodeDefaultEngine();
  // A new QRCodeEngineCoreImage and a new QRCodeEngineExternal, in that order.
  static std::vector<std::shared_ptr<QRCodeEngine>> QRCodeAvailableEngines();

  // --- construction ----------------------------------------------------------------------
  // Default engine, empty matrix, quartile; nothing generated.
  QRCode();
  // Stores the engine (a null engine keeps the default one), then generates from empty data
  // at quartile; raises the engine's error.
  explicit QRCode(std::shared_ptr<QRCodeEngine> engine);
  // Generate from bytes, text or a message's data; a null engine means a new default engine.
  // Raise the engine's error.
  QRCode(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection,
         std::shared_ptr<QRCodeEngine> engine = nullptr);
  QRCode(std::string_view utf8String, ErrorCorrection errorCorrection,
         std::shared_ptr<QRCodeEngine> engine = nullptr);
  QRCode(const QRCodeMessageFormatter& message, ErrorCorrection errorCorrection,
         std::shared_ptr<QRCodeEngine> engine = nullptr);

  // A copy gets a new engine of the source's kind (qrcore::engineForCopy), shares its current
  // matrix object and keeps its level. Assigning a model to itself changes nothing.
  QRCode(const QRCode& other);
  QRCode& operator=(const QRCode& other);
  // A model that was moved from holds neither engine nor matrix: it may only be assigned
  // to or destroyed.
  QRCode(QRCode&&) noexcept = default;
  QRCode& operator=(QRCode&&) noexcept = default;
  QRCode copy() const { return *this; }

  // --- regeneration (raise the engine's error; on failure nothing changes) --------------
  void updateWithData(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection);
  void updateWithText(std::string_view text, ErrorCorrection errorCorrection);
  void updateWithMessage(const QRCodeMessageFormatter& message, ErrorCorrection errorCorrection);
  void update(const Content& content, ErrorCorrection errorCorrection);

  // --- queries ---------------------------------------------------------------------------
  const std::shared_ptr<QRCodeEngine>& engine() const noexcept { return engine_; }
  // Replaces the engine (null installs a new default engine); does not regenerate.
  void setEngine(std::shared_ptr<QRCodeEngine> engine);
  // The current matrix (the shared object, never null).
  const std::shared_ptr<const QRCodeBoolMatrix>& boolMatrix() const noexcept { return current_; }
  ErrorCorrection currentErrorCorrection() const noexcept { return currentErrorCorrection_; }
  std::int64_t cellDimension() const noexcept { return current_->dimension(); }
  // imageDimension / cellDimension in double precision (non-finite for an empty matrix).
  double cellSizeForImageDimension(std::int64_t imageDimension) const noexcept {
    return static_cast<double>(imageDimension) / static_cast<double>(cellDimension());
  }

  // Whether a model can be generated from the input (a null engine: a new default one).
  static bool canGenerateQRCodeWithData(std::span<const std::uint8_t> data,
                                        ErrorCorrection errorCorrection,
                                        std::shared_ptr<QRCodeEngine> engine = nullptr);
  static bool canGenerateQRCodeWithText(std::string_view text, ErrorCorrection errorCorrection,
                                        std::shared_ptr<QRCodeEngine> engine = nullptr);

 private:
  void store(QRCodeBoolMatrix&& matrix, ErrorCorrection errorCorrection);

  std::shared_ptr<QRCodeEngine> engine_;
  std::shared_ptr<const QRCodeBoolMatrix> current_;
  ErrorCorrection currentErrorCorrection_ = ErrorCorrection::quartile;
};
