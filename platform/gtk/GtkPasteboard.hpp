#pragma once
// The pasteboard over the GTK 3 clipboard: a named X selection ("CLIPBOARD" for the
// general pasteboard) that offers typed entries to every application on the display.
//
// Each entry is offered as a GTK clipboard target named by its MIME type; a text entry
// (setString) is offered under every text target GTK knows (UTF8_STRING, STRING, TEXT,
// text/plain, ...), converted on request. The bytes of the entries are shared, never
// copied per request, and stay offered until another owner takes the selection, even
// after this object is gone. clearContents() empties the selection whoever owned it.
//
// Reading asks the selection's current owner (this process included) and waits for the
// answer in a nested main loop; nothing read is cached, so what is reported is what the
// selection holds at the time of the call.
//
// GTK must be initialised on a display (gtk_init) before a pasteboard is made, and every
// call must come from the thread that runs the GTK main loop.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Pasteboard.hpp"
#include "platform/foundation/Text.hpp"

namespace foundation {

class GtkPasteboard final : public Pasteboard {
 public:
  // The general pasteboard: the "CLIPBOARD" selection of the default display. Raises
  // PasteboardError::unavailable when GTK has no display (not initialised, or headless).
  static GtkPasteboard general();
  // The pasteboard of the selection with that name (a private one for a name no other
  // application uses; "PRIMARY" is the selection of the mouse). Raises like general().
  static GtkPasteboard withName(std::string name);

  // True when GTK has a default display to talk to.
  static bool isAvailable();

  const std::string& name() const override { return name_; }

  bool clearContents() override;
  bool setData(Bytes data, std::string_view type) override;
  bool setString(std::string_view text) override;
  std::vector<std::string> writtenTypes() const override;

  // GTK's own bookkeeping targets (TARGETS, TIMESTAMP, MULTIPLE, SAVE_TARGETS) are left
  // out of the types.
  std::vector<std::string> types() const override;
  std::optional<Bytes> dataForType(std::string_view type) const override;
  std::optional<std::string> string() const override;

  // The shared list of entries; public only so that the GTK callbacks can name it.
  struct Entry {
    std::string type;
    std::shared_ptr<const Bytes> data;
    bool isText = false;
  };
  using Entries = std::vector<Entry>;

 private:
  explicit GtkPasteboard(std::string name);
  bool publish();

  std::string name_;
  std::shared_ptr<const Entries> entries_ = std::make_shared<const Entries>();
};

}  // namespace foundation
