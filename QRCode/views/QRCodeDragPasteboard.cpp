#include "QRCode/views/QRCodeDragPasteboard.hpp"

#include <utility>

QRCodeDragPasteboard::Entry& QRCodeDragPasteboard::entry(std::string_view type) {
  for (Entry& e : entries_)
    if (e.type == type) return e;
  entries_.push_back(Entry{std::string(type), std::nullopt, false});
  return entries_.back();
}

const QRCodeDragPasteboard::Entry* QRCodeDragPasteboard::find(std::string_view type) const {
  for (const Entry& e : entries_)
    if (e.type == type) return &e;
  return nullptr;
}

void QRCodeDragPasteboard::setData(std::optional<foundation::Bytes> data, std::string_view type) {
  Entry& e = entry(type);
  e.data = std::move(data);
  e.isString = false;
}

void QRCodeDragPasteboard::setString(std::string_view text, std::string_view type) {
  Entry& e = entry(type);
  e.data = foundation::Bytes(text.begin(), text.end());
  e.isString = true;
}

std::optional<foundation::Bytes> QRCodeDragPasteboard::dataForType(std::string_view type) const {
  const Entry* e = find(type);
  if (!e) return std::nullopt;
  return e->data;
}

std::optional<std::string> QRCodeDragPasteboard::stringForType(std::string_view type) const {
  const Entry* e = find(type);
  if (!e || !e->data) return std::nullopt;
  std::string text(e->data->begin(), e->data->end());
  if (!foundation::isValidUTF8(text)) return std::nullopt;
  return text;
}

bool QRCodeDragPasteboard::hasEntry(std::string_view type) const { return find(type) != nullptr; }

std::vector<std::string> QRCodeDragPasteboard::types() const {
  std::vector<std::string> result;
  result.reserve(entries_.size());
  for (const Entry& e : entries_) result.push_back(e.type);
  return result;
}
