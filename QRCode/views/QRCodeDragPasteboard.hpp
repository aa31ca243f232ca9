#pragma once
// The pasteboard a drag source writes its data into when a drop target asks for a type.
//
// A GTK drag hands over one type at a time: the drop target asks for a target, the source
// writes the data for it, and the view copies what was written into the GTK selection. The
// drop target may also have told the source something beforehand (where a promised file
// goes); that is read here with stringForType. Entries are kept in the order they were
// first written.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Text.hpp"

class QRCodeDragPasteboard {
 public:
  struct Entry {
    std::string type;
    std::optional<foundation::Bytes> data;  // none: the type was answered with no data
    bool isString = false;                  // written with setString (UTF-8 text)
  };

  // Adds (or replaces) the entry of the type with the bytes, or with no data.
  void setData(std::optional<foundation::Bytes> data, std::string_view type);
  // Adds (or replaces) the entry of the type with the UTF-8 text.
  void setString(std::string_view text, std::string_view type);

  // The entry's bytes; none when the type has no entry or was answered with no data.
  std::optional<foundation::Bytes> dataForType(std::string_view type) const;
  // The entry's text; none when the type has no entry or its bytes are not UTF-8 text.
  std::optional<std::string> stringForType(std::string_view type) const;
  // True when the type has an entry (with or without data).
  bool hasEntry(std::string_view type) const;

  const std::vector<Entry>& entries() const { return entries_; }
  // The types of the entries, in the order they were first written.
  std::vector<std::string> types() const;

 private:
  Entry& entry(std::string_view type);
  const Entry* find(std::string_view type) const;

  std::vector<Entry> entries_;
};
