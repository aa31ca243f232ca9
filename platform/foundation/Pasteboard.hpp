#pragma once
// A pasteboard over the GTK 3 clipboard: a named X selection ("CLIPBOARD" for the general
// pasteboard) that offers typed entries to every application on the display.
//
// Writing follows the pattern of a general pasteboard: clearContents() empties the
// selection (whoever owned it) and starts a new list of entries; every setData() adds (or
// replaces) one entry and offers the whole list again. Each entry is offered as a GTK
// clipboard target named by its MIME type; a text entry (setString) is offered under every
// text target GTK knows (UTF8_STRING, STRING, TEXT, text/plain, ...), converted on request.
// The bytes of the entries are shared, never copied per request, and stay offered until
// another owner takes the selection, even after this object is gone.
//
// Reading asks the selection's current owner (this process included) and waits for the
// answer in a nested main loop.
//
// GTK must be initialised (gtk_init) before any call, and every call must come from the
// thread that runs the GTK main loop. Without a display nothing is written: the writers
// return false and the readers give none.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/Text.hpp"

namespace foundation {

class Pasteboard {
 public:
  // The entry types, named by the MIME types other applications ask for.
  static constexpr std::string_view typePDF = "application/pdf";
  static constexpr std::string_view typeTIFF = "image/tiff";
  static constexpr std::string_view typePNG = "image/png";
  // SVG text as UTF-8 bytes (the SVG image type).
  static constexpr std::string_view typeSVG = "image/svg+xml";
  // UTF-8 text; written with setString and offered under all text targets.
  static constexpr std::string_view typeString = "text/plain;charset=utf-8";

  // The general pasteboard: the "CLIPBOARD" selection of the default display.
  static Pasteboard general();
  // The pasteboard of the selection with that name (a private one for a name no other
  // application uses; "PRIMARY" is the selection of the mouse).
  static Pasteboard withName(std::string name);

  const std::string& name() const { return name_; }

  // True when GTK has a default display to talk to.
  static bool isAvailable();

  // --- writing -----------------------------------------------------------------------
  // Empties the selection and forgets the entries written so far. False without a
  // display.
  bool clearContents();
  // Adds the bytes as the entry of the type (an entry of the same type is replaced) and
  // offers every entry written since the last clearContents. False without a display, for
  // an empty type, or when GTK refuses to take the selection.
  bool setData(Bytes data, std::string_view type);
  // Adds the text as the typeString entry, offered under every text target. False also
  // for text that is not valid UTF-8.
  bool setString(std::string_view text);

  // The types of the entries written since the last clearContents, in the order they were
  // first written.
  std::vector<std::string> writtenTypes() const;

  // --- reading -----------------------------------------------------------------------
  // The targets the selection's owner offers (empty when the selection has no owner).
  // GTK's own bookkeeping targets (TARGETS, TIMESTAMP, MULTIPLE, SAVE_TARGETS) are left
  // out.
  std::vector<std::string> types() const;
  // The bytes offered under the type; none when nothing is offered under it.
  std::optional<Bytes> dataForType(std::string_view type) const;
  // The text offered under any text target; none when there is none.
  std::optional<std::string> string() const;

  // The shared list of entries; public only so that the GTK callbacks can name it.
  struct Entry {
    std::string type;
    std::shared_ptr<const Bytes> data;
    bool isText = false;
  };
  using Entries = std::vector<Entry>;

 private:
  explicit Pasteboard(std::string name) : name_(std::move(name)) {}
  bool publish();

  std::string name_;
  std::shared_ptr<const Entries> entries_ = std::make_shared<const Entries>();
};

}  // namespace foundation
