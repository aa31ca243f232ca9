#pragma once
// Field values that break naive writers of vCard, iCalendar and mailto texts, with what a
// reader must get back from each, and the contact, event and mail messages that carry one
// value in every text field. Header-only: the test programs that use it link the formatters.

#include <chrono>
#include <string>
#include <vector>

#include "QRCode/design/QRCodeMessageFormatters.hpp"

namespace testsupport {

struct HostileValue {
  std::string value;
  // What a reader gets back from a vCard text field: every line break (CR LF, CR, LF) is
  // one line feed.
  std::string asText;
  // From a contact note: every run of white space ("\s+", Unicode White_Space) is one space.
  std::string asNote;
  // From an event's SUMMARY or LOCATION: CR LF pairs removed, each other CR or LF a line
  // feed.
  std::string asEvent;
  // Whether a vCard parameter (an address type) can hold it: no control character but
  // tab, no double quote.
  bool parameter;
  // The types a reader gets back from it as an address type, when not the value itself.
  std::vector<std::string> asTypes = {};
};

inline const std::vector<HostileValue>& hostileValues() {
  static const std::vector<HostileValue> values = {
      {"line\r\nbreak", "line\nbreak", "line break", "linebreak", false},
      {"line\rbreak", "line\nbreak", "line break", "line\nbreak", false},
      {"line\nbreak", "line\nbreak", "line break", "line\nbreak", false},
      {"\r\n\r\nlead and trail\n", "\n\nlead and trail\n", " lead and trail ", "lead and trail\n", false},
      {"a\r\r\n\nb", "a\n\n\nb", "a b", "a\n\nb", false},
      {"Ann\nEND:VCARD", "Ann\nEND:VCARD", "Ann END:VCARD", "Ann\nEND:VCARD", false},
      {"not a url\nX-INJECTED:1", "not a url\nX-INJECTED:1", "not a url X-INJECTED:1",
       "not a url\nX-INJECTED:1", false},
      {"Smith; Jr", "Smith; Jr", "Smith; Jr", "Smith; Jr", true},
      {"a,b, c;;", "a,b, c;;", "a,b, c;;", "a,b, c;;", true},
      {"HOME,WORK", "HOME,WORK", "HOME,WORK", "HOME,WORK", true, {"HOME", "WORK"}},
      // A URL with a "," that a contact's URL line keeps as it is.
      {"https://example.com/maps/@52.52,13.40", "https://example.com/maps/@52.52,13.40",
       "https://example.com/maps/@52.52,13.40", "https://example.com/maps/@52.52,13.40", true},
      {"back\\slash\\n\\", "back\\slash\\n\\", "back\\slash\\n\\", "back\\slash\\n\\", true},
      {"key: value", "key: value", "key: value", "key: value", true},
      {"Tom & Jerry", "Tom & Jerry", "Tom & Jerry", "Tom & Jerry", true},
      {"a=b&c=d", "a=b&c=d", "a=b&c=d", "a=b&c=d", true},
      {"#1 + 2 = 3% off?", "#1 + 2 = 3% off?", "#1 + 2 = 3% off?", "#1 + 2 = 3% off?", true},
      {"Gr\u00fc\u00dfe aus \u6771\u4eac", "Gr\u00fc\u00dfe aus \u6771\u4eac", "Gr\u00fc\u00dfe aus \u6771\u4eac",
       "Gr\u00fc\u00dfe aus \u6771\u4eac", true},
      {"emoji \U0001F600\U0001F44D\U0001F3FD", "emoji \U0001F600\U0001F44D\U0001F3FD",
       "emoji \U0001F600\U0001F44D\U0001F3FD", "emoji \U0001F600\U0001F44D\U0001F3FD", true},
      {"//host/path", "//host/path", "//host/path", "//host/path", true},
      {"", "", "", "", true},
      {"tab\tvt\vnel\u0085ls\u2028nbsp\u00a0end", "tab\tvt\vnel\u0085ls\u2028nbsp\u00a0end",
       "tab vt nel ls nbsp end", "tab\tvt\vnel\u0085ls\u2028nbsp\u00a0end", false},
  };
  return values;
}

// A URL with "," and ";" in it, which a contact's URL line must keep.
inline const std::string kHostileContactURL = "https://example.com/a,b;c?q=1&r=2#frag";

// The first and the last second the event text can hold.
inline QRCodeMessageEvent::Date firstEventDate() {
  return std::chrono::sys_days(std::chrono::year(1) / std::chrono::January / 1);
}
inline QRCodeMessageEvent::Date lastEventDate() {
  return std::chrono::sys_days(std::chrono::year(9999) / std::chrono::December / 31) + std::chrono::hours(23) +
         std::chrono::minutes(59) + std::chrono::seconds(59);
}

// A contact with the value in every text field: the five name parts, the formatted name,
// the seven address parts, organisation, title, one telephone number, one e-mail address and
// one note; the address type and the URLs as given.
inline QRCodeMessageContact hostileContact(const std::string& value, const std::string& addressType,
                                           const std::vector<std::string>& urls) {
  const QRCodeMessageContactName name(value, value, value, value, value);
  const std::vector<QRCodeMessageContactAddress> addresses{
      QRCodeMessageContactAddress(addressType, value, value, value, value, value, value, value)};
  const std::vector<std::string> one{value};
  return QRCodeMessageContact(name, value, addresses, value, value, one, one, urls, one);
}

// An event with the value as summary and location, from the first to the last date.
inline QRCodeMessageEvent hostileEvent(const std::string& value) {
  return QRCodeMessageEvent(value, value, firstEventDate(), lastEventDate());
}

// A mail with the value as address, subject and body.
inline QRCodeMessageMail hostileMail(const std::string& value) { return QRCodeMessageMail(value, value, value); }

}  // namespace testsupport
