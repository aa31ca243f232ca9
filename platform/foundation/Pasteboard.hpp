#pragma once
// A pasteboard: a place shared between applications that holds typed entries, written
// together and read by whoever asks. This is the interface the exports write to; it needs
// no display toolkit. The GTK clipboard implements it (platform/gtk/GtkPasteboard.hpp).
//
// Writing follows the pattern of a general pasteboard: clearContents() empties it and
// starts a new list of entries; every setData() adds (or replaces) one entry. Reading
// reports what the pasteboard holds now, whoever wrote it.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"

namespace foundation {

// A pasteboard that cannot be reached at all: no clipboard to write to (no display, or a
// toolkit that is not initialised).
enum class PasteboardError { unavailable };

template <>
struct ErrorTraits<PasteboardError> {
  static constexpr std::string_view domain = "PasteboardError";
  static constexpr std::array<std::string_view, 1> cases{"unavailable"};
};

class Pasteboard {
 public:
  // The entry types, named by the MIME types other applications ask for.
  static constexpr std::string_view typePDF = "application/pdf";
  static constexpr std::string_view typeTIFF = "image/tiff";
  static constexpr std::string_view typePNG = "image/png";
  // SVG text as UTF-8 bytes (the SVG image type).
  static constexpr std::string_view typeSVG = "image/svg+xml";
  // UTF-8 text; written with setString.
  static constexpr std::string_view typeString = "text/plain;charset=utf-8";

  virtual ~Pasteboard() = default;

  // The pasteboard's name (for a clipboard, the selection it stands for).
  virtual const std::string& name() const = 0;

  // --- writing -----------------------------------------------------------------------
  // Empties the pasteboard and forgets the entries written so far. False when the
  // pasteboard cannot be reached.
  virtual bool clearContents() = 0;
  // Adds the bytes as the entry of the type (an entry of the same type is replaced). False
  // when the pasteboard cannot be reached, for an empty type, or when it refuses the entry.
  virtual bool setData(Bytes data, std::string_view type) = 0;
  // Adds the text as the typeString entry. False also for text that is not valid UTF-8.
  virtual bool setString(std::string_view text) = 0;

  // The types of the entries written through this object since the last clearContents,
  // in the order they were first written.
  virtual std::vector<std::string> writtenTypes() const = 0;

  // --- reading -----------------------------------------------------------------------
  // The types the pasteboard holds now (empty when it holds nothing).
  virtual std::vector<std::string> types() const = 0;
  // The bytes held under the type; none when nothing is held under it.
  virtual std::optional<Bytes> dataForType(std::string_view type) const = 0;
  // The text held; none when there is none.
  virtual std::optional<std::string> string() const = 0;

 protected:
  Pasteboard() = default;
  Pasteboard(const Pasteboard&) = default;
  Pasteboard& operator=(const Pasteboard&) = default;
};

}  // namespace foundation
