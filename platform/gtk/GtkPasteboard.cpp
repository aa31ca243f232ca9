#include "platform/gtk/GtkPasteboard.hpp"

#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <utility>

namespace foundation {

namespace {

// What GTK holds while the selection is ours: the entries offered, shared with the
// pasteboard object that wrote them. Freed by GTK's clear callback.
using Offer = std::shared_ptr<const GtkPasteboard::Entries>;

GtkClipboard* clipboardNamed(const std::string& name) {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return nullptr;
  return gtk_clipboard_get_for_display(display, gdk_atom_intern(name.c_str(), FALSE));
}

// GTK asks for the entry whose index it was given as the target's info. No exception may
// leave a C callback, and none of these calls throws.
void provideEntry(GtkClipboard*, GtkSelectionData* selection, guint info, gpointer user) noexcept {
  const Offer& offer = *static_cast<const Offer*>(user);
  if (info >= offer->size()) return;
  const GtkPasteboard::Entry& entry = (*offer)[info];
  const Bytes& bytes = *entry.data;
  if (entry.isText) {
    gtk_selection_data_set_text(selection, reinterpret_cast<const gchar*>(bytes.data()),
                                static_cast<gint>(bytes.size()));
  } else {
    gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8,
                           reinterpret_cast<const guchar*>(bytes.data()), static_cast<gint>(bytes.size()));
  }
}

void releaseOffer(GtkClipboard*, gpointer user) noexcept { delete static_cast<Offer*>(user); }

bool isBookkeepingTarget(std::string_view name) {
  return name == "TARGETS" || name == "TIMESTAMP" || name == "MULTIPLE" || name == "SAVE_TARGETS";
}

}  // namespace

GtkPasteboard::GtkPasteboard(std::string name) : name_(std::move(name)) {
  if (!isAvailable())
    raise(PasteboardError::unavailable,
          "no clipboard: GTK has no display (initialise GTK on a display before using the pasteboard)");
}

GtkPasteboard GtkPasteboard::general() { return GtkPasteboard("CLIPBOARD"); }

GtkPasteboard GtkPasteboard::withName(std::string name) { return GtkPasteboard(std::move(name)); }

bool GtkPasteboard::isAvailable() { return gdk_display_get_default() != nullptr; }

bool GtkPasteboard::clearContents() {
  GtkClipboard* clipboard = clipboardNamed(name_);
  if (!clipboard) return false;
  entries_ = std::make_shared<const Entries>();
  // Drops our own offer (GTK calls its clear callback) ...
  gtk_clipboard_clear(clipboard);
  // ... and takes the selection away from any other owner: a selection set to no owner
  // is empty for every application.
  gtk_selection_owner_set_for_display(gdk_display_get_default(), nullptr,
                                      gdk_atom_intern(name_.c_str(), FALSE), GDK_CURRENT_TIME);
  return true;
}

bool GtkPasteboard::setData(Bytes data, std::string_view type) {
  if (type.empty() || !isAvailable()) return false;
  auto entries = std::make_shared<Entries>();
  entries->reserve(entries_->size() + 1);
  Entry added{std::string(type), std::make_shared<const Bytes>(std::move(data)), type == typeString};
  bool replaced = false;
  for (const Entry& entry : *entries_) {
    if (entry.type == added.type) {
      entries->push_back(std::move(added));
      replaced = true;
    } else {
      entries->push_back(entry);
    }
  }
  if (!replaced) entries->push_back(std::move(added));
  entries_ = std::move(entries);
  return publish();
}

bool GtkPasteboard::setString(std::string_view text) {
  if (!isValidUTF8(text)) return false;
  return setData(bytesOf(text), typeString);
}

std::vector<std::string> GtkPasteboard::writtenTypes() const {
  std::vector<std::string> types;
  types.reserve(entries_->size());
  for (const Entry& entry : *entries_) types.push_back(entry.type);
  return types;
}

bool GtkPasteboard::publish() {
  GtkClipboard* clipboard = clipboardNamed(name_);
  if (!clipboard || entries_->empty()) return false;
  GtkTargetList* list = gtk_target_list_new(nullptr, 0);
  for (guint i = 0; i < entries_->size(); ++i) {
    const Entry& entry = (*entries_)[i];
    if (entry.isText) gtk_target_list_add_text_targets(list, i);
    else gtk_target_list_add(list, gdk_atom_intern(entry.type.c_str(), FALSE), 0, i);
  }
  gint count = 0;
  GtkTargetEntry* table = gtk_target_table_new_from_list(list, &count);
  gtk_target_list_unref(list);

  auto* offer = new Offer(entries_);
  // Replacing our own earlier offer makes GTK release that one through releaseOffer.
  const gboolean taken = gtk_clipboard_set_with_data(clipboard, table, static_cast<guint>(count), provideEntry,
                                                     releaseOffer, offer);
  gtk_target_table_free(table, count);
  if (!taken) {
    delete offer;
    return false;
  }
  // Lets a clipboard manager keep every entry after this process ends.
  gtk_clipboard_set_can_store(clipboard, nullptr, 0);
  return true;
}

std::vector<std::string> GtkPasteboard::types() const {
  std::vector<std::string> names;
  GtkClipboard* clipboard = clipboardNamed(name_);
  if (!clipboard) return names;
  // Asks the owner for its TARGETS each time: gtk_clipboard_wait_for_targets answers from a
  // list it keeps until the owner-change event arrives, so right after clearContents() it
  // would still report the entries just removed.
  GtkSelectionData* selection = gtk_clipboard_wait_for_contents(clipboard, gdk_atom_intern_static_string("TARGETS"));
  if (!selection) return names;
  GdkAtom* targets = nullptr;
  gint count = 0;
  if (gtk_selection_data_get_targets(selection, &targets, &count)) {
    names.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (gint i = 0; i < count; ++i) {
      gchar* name = gdk_atom_name(targets[i]);
      if (name && !isBookkeepingTarget(name)) names.emplace_back(name);
      g_free(name);
    }
    g_free(targets);
  }
  gtk_selection_data_free(selection);
  return names;
}

std::optional<Bytes> GtkPasteboard::dataForType(std::string_view type) const {
  GtkClipboard* clipboard = clipboardNamed(name_);
  if (!clipboard || type.empty()) return std::nullopt;
  const std::string target(type);
  GtkSelectionData* selection = gtk_clipboard_wait_for_contents(clipboard, gdk_atom_intern(target.c_str(), FALSE));
  if (!selection) return std::nullopt;
  std::optional<Bytes> result;
  const gint length = gtk_selection_data_get_length(selection);
  if (length >= 0) {
    const guchar* data = gtk_selection_data_get_data(selection);
    result.emplace(data, data + length);
  }
  gtk_selection_data_free(selection);
  return result;
}

std::optional<std::string> GtkPasteboard::string() const {
  GtkClipboard* clipboard = clipboardNamed(name_);
  if (!clipboard) return std::nullopt;
  gchar* text = gtk_clipboard_wait_for_text(clipboard);
  if (!text) return std::nullopt;
  std::string result(text);
  g_free(text);
  return result;
}

}  // namespace foundation
