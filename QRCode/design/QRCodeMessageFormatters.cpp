#include "QRCode/design/QRCodeMessageFormatters.hpp"

#include <glib.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "QRCode/core/QRCodeError.hpp"
#include "platform/foundation/Numbers.hpp"

namespace {

[[noreturn]] void raiseNotUTF8(std::string_view what) {
  foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding, std::string(what) + " is not UTF-8 text");
}

void requireUTF8(std::string_view text, std::string_view what) {
  if (!foundation::isValidUTF8(text)) raiseNotUTF8(what);
}

// Decodes the code point at text[i] of well-formed UTF-8 and advances i past it.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  const int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : 1;
  char32_t cp = b0 & (0x3F >> extra);
  for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < text.size(); ++k)
    cp = (cp << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

// White space as the regular expression "\s" knows it, Unicode's White_Space: tab, line
// feed, vertical tab, form feed, carriage return, next line (U+0085) and every Unicode
// separator (space, line and paragraph separators).
bool isRegexSpace(char32_t cp) {
  if ((cp >= U'\t' && cp <= U'\r') || cp == 0x85) return true;
  switch (g_unichar_type(static_cast<gunichar>(cp))) {
    case G_UNICODE_SPACE_SEPARATOR:
    case G_UNICODE_LINE_SEPARATOR:
    case G_UNICODE_PARAGRAPH_SEPARATOR: return true;
    default: return false;
  }
}

bool isNumberCodePoint(char32_t cp) {
  switch (g_unichar_type(static_cast<gunichar>(cp))) {
    case G_UNICODE_DECIMAL_NUMBER:
    case G_UNICODE_LETTER_NUMBER:
    case G_UNICODE_OTHER_NUMBER: return true;
    default: return false;
  }
}

// A code point that joins the character before it (combining marks, the zero-width joiner).
bool extendsCharacter(char32_t cp) { return cp == 0x200D || g_unichar_ismark(static_cast<gunichar>(cp)); }

// Appends a text value of a vCard 3.0 or iCalendar line: "\", ";" and "," escaped with a
// backslash, every CR LF pair written as crlf and every other CR or LF as "\n". A vCard
// passes "\n" (one line break), an event "" (the pair is removed; CR LF is always one
// user-perceived character, so removing the pairs left to right is exact).
void appendText(std::string& out, std::string_view text, std::string_view crlf) {
  std::size_t plain = 0;  // where the run of characters that need no escape began
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\' && c != ';' && c != ',' && c != '\r' && c != '\n') continue;
    out.append(text, plain, i - plain);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += crlf;
      ++i;
    } else if (c == '\r' || c == '\n') {
      out += "\\n";
    } else {
      out.push_back('\\');
      out.push_back(c);
    }
    plain = i + 1;
  }
  out.append(text, plain);
}

void appendVCardText(std::string& out, std::string_view text) { appendText(out, text, "\\n"); }

void appendField(std::string& out, const std::optional<std::string>& field) {
  if (field) appendVCardText(out, *field);
}

// A vCard parameter value: as it is, or in double quotes when it holds ";" or ":", which
// would end the parameter, or is empty, which readers would drop. A "," stays bare: it
// separates the values of a parameter, so "HOME,WORK" is the two types it reads as. A double
// quote or a control character other than tab cannot be written at all.
void appendParameterValue(std::string& out, std::string_view value) {
  bool quote = value.empty();
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t') || c == 0x7F || c == '"')
      foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding,
                        "a contact address type holds a character that a vCard parameter cannot hold");
    if (c == ';' || c == ':') quote = true;
  }
  if (quote) out.push_back('"');
  out += value;
  if (quote) out.push_back('"');
}

// A contact note: escaped as vCard text, then every run of white space one space.
void appendNote(std::string& out, std::string_view note) {
  bool inSpace = false;
  std::size_t i = 0;
  while (i < note.size()) {
    const std::size_t start = i;
    const char32_t cp = nextCodePoint(note, i);
    if (isRegexSpace(cp)) {
      if (!inSpace) out.push_back(' ');
      inSpace = true;
      continue;
    }
    inSpace = false;
    if (i == start + 1) {
      appendVCardText(out, note.substr(start, 1));
    } else {
      out.append(note, start, i - start);  // no character to escape beyond ASCII
    }
  }
}

bool isURLSchemeCharacter(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (first) return letter;
  return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool isURICharacter(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '-': case '.': case '_': case '~':                                  // unreserved
    case ':': case '/': case '?': case '#': case '[': case ']': case '@':    // gen-delims
    case '!': case '$': case '&': case '\'': case '(': case ')':             // sub-delims
    case '*': case '+': case ',': case ';': case '=':
    case '%': return true;
    default: return false;
  }
}

constexpr bool isQueryAllowed(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '@': case '-': case '.': case '_': case '~': case '!': case '$': case '&': case '\'':
    case '(': case ')': case '*': case '+': case ',': case ';': case '=': case ':': case '/':
    case '?': return true;
    default: return false;
  }
}

}  // namespace

// --- base -------------------------------------------------------------------------------

void QRCodeMessageFormatterBase::setUTF8Text(std::string text) {
  requireUTF8(text, "the message text");
  data_ = foundation::bytesOf(text);
  text_ = std::move(text);
}

// --- contact ----------------------------------------------------------------------------

QRCodeMessageContactName::QRCodeMessageContactName(std::optional<std::string> lastName,
                                                   std::optional<std::string> firstName,
                                                   std::optional<std::string> additionalName,
                                                   std::optional<std::string> namePrefix,
                                                   std::optional<std::string> nameSuffix)
    : lastName_(std::move(lastName)),
      firstName_(std::move(firstName)),
      additionalName_(std::move(additionalName)),
      namePrefix_(std::move(namePrefix)),
      nameSuffix_(std::move(nameSuffix)) {}

std::string QRCodeMessageContactName::vcard() const {
  std::string out = "N:";
  appendField(out, lastName_);
  out.push_back(';');
  appendField(out, firstName_);
  out.push_back(';');
  appendField(out, additionalName_);
  out.push_back(';');
  appendField(out, namePrefix_);
  out.push_back(';');
  appendField(out, nameSuffix_);
  out.push_back('\n');
  return out;
}

QRCodeMessageContactAddress::QRCodeMessageContactAddress(
    std::string type, std::optional<std::string> postOfficeAddress, std::optional<std::string> extendedAddress,
    std::optional<std::string> street, std::optional<std::string> locality, std::optional<std::string> region,
    std::optional<std::string> postalCode, std::optional<std::string> country)
    : type_(std::move(type)),
      postOfficeAddress_(std::move(postOfficeAddress)),
      extendedAddress_(std::move(extendedAddress)),
      street_(std::move(street)),
      locality_(std::move(locality)),
      region_(std::move(region)),
      postalCode_(std::move(postalCode)),
      country_(std::move(country)) {}

std::string QRCodeMessageContactAddress::vcard() const {
  std::string out = "ADR;TYPE=";
  appendParameterValue(out, type_);
  out.push_back(':');
  const std::optional<std::string>* fields[] = {&postOfficeAddress_, &extendedAddress_, &street_, &locality_,
                                                &region_,            &postalCode_,      &country_};
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    if (i) out.push_back(';');
    appendField(out, *fields[i]);
  }
  out.push_back('\n');
  return out;
}

QRCodeMessageContact::QRCodeMessageContact(const Name& name, std::string_view formattedName,
                                           std::span<const Address> addresses,
                                           std::optional<std::string_view> organisation,
                                           std::optional<std::string_view> title,
                                           std::span<const std::string> telephoneNumbers,
                                           std::span<const std::string> emailAddresses,
                                           std::span<const std::string> urls, std::span<const std::string> notes) {
  std::string out;
  out.reserve(256);
  out += "BEGIN:VCARD\nVERSION:3.0\n";
  out += name.vcard();
  const auto line = [&out](std::string_view prefix, std::string_view value) {
    out += prefix;
    appendVCardText(out, value);
    out.push_back('\n');
  };
  line("FN:", formattedName);
  for (const Address& address : addresses) out += address.vcard();
  if (organisation) line("ORG:", *organisation);
  if (title) line("TITLE:", *title);
  // E-mail lines come before the telephone lines, whatever the order of the inputs.
  for (const std::string& email : emailAddresses) line("EMAIL:", email);
  for (const std::string& number : telephoneNumbers) line("TEL:", number);
  // A URL value is a URI, not text: written as it is. parseURL admits no character that
  // could end the line (no control characters, no blanks).
  for (const std::string& url : urls) {
    const std::optional<std::string> absolute = QRCodeMessageLink::parseURL(url);
    if (!absolute) foundation::raise(QRCodeError::invalidURL, "a contact URL is not a URL");
    out += "URL:";
    out += *absolute;
    out.push_back('\n');
  }
  for (const std::string& note : notes) {
    requireUTF8(note, "a contact note");
    out += "NOTE:";
    appendNote(out, note);
    out.push_back('\n');
  }
  out += "END:VCARD";
  setUTF8Text(std::move(out));
}

// --- data ---------------------------------------------------------------------------------

QRCodeMessageData::QRCodeMessageData(foundation::Bytes data) { data_ = std::move(data); }

QRCodeMessageDataBase64::QRCodeMessageDataBase64(std::span<const std::uint8_t> data) {
  setUTF8Text(foundation::base64Encode(data));
}

// --- event --------------------------------------------------------------------------------

std::string QRCodeMessageEvent::formatDate(Date date) {
  using namespace std::chrono;
  // Four digits of year: 0001-01-01T00:00:00 up to the last microsecond of 9999.
  static constexpr sys_days first = year(1) / January / 1;
  static constexpr sys_days afterLast = year(10000) / January / 1;
  if (date < first || date >= afterLast)
    foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding,
                      "an event date lies outside the years 1 to 9999");
  const auto seconds = floor<std::chrono::seconds>(date);
  const auto day = floor<days>(seconds);
  const year_month_day ymd(day);
  const hh_mm_ss<std::chrono::seconds> time(seconds - day);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d%02u%02uT%02d%02d%02dZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()),
                static_cast<unsigned>(ymd.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
  return buffer;
}

QRCodeMessageEvent::QRCodeMessageEvent(std::string_view summary, std::string_view location, Date start, Date end) {
  requireUTF8(summary, "the event summary");
  requireUTF8(location, "the event location");
  std::string out = "BEGIN:VEVENT\r\nSUMMARY:";
  appendText(out, summary, "");
  out += "\r\nLOCATION:";
  appendText(out, location, "");
  out += "\r\nDTSTART:";
  out += formatDate(start);
  out += "\r\nDTEND:";
  out += formatDate(end);
  out += "\r\nEND:VEVENT";
  setUTF8Text(std::move(out));
}

// --- link -----------------------------------------------------------------------------------

std::optional<std::string> QRCodeMessageLink::parseURL(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int fragments = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!isURICharacter(c)) return std::nullopt;
    if (c == '%' && (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2])))
      return std::nullopt;
    if (c == '#' && ++fragments > 1) return std::nullopt;
  }
  // A ":" before the first "/", "?" or "#" ends a scheme, which must be well formed.
  const std::size_t end = text.find_first_of(":/?#");
  std::size_t rest = 0;
  if (end != std::string_view::npos && text[end] == ':') {
    if (end == 0) return std::nullopt;
    for (std::size_t i = 0; i < end; ++i)
      if (!isURLSchemeCharacter(text[i], i == 0)) return std::nullopt;
    rest = end + 1;
  }
  // Brackets belong only to an IPv6 host inside the authority.
  std::size_t authorityEnd = rest;
  if (text.substr(rest, 2) == "//") {
    authorityEnd = text.find_first_of("/?#", rest + 2);
    if (authorityEnd == std::string_view::npos) authorityEnd = text.size();
  }
  if (text.find_first_of("[]", authorityEnd) != std::string_view::npos) return std::nullopt;
  return std::string(text);
}

QRCodeMessageLink::QRCodeMessageLink(std::string_view url) {
  std::optional<std::string> absolute = parseURL(url);
  if (!absolute) foundation::raise(QRCodeError::invalidURL, "the text is not a URL");
  setUTF8Text(std::move(*absolute));
}

// --- location -------------------------------------------------------------------------------

QRCodeMessageLocation::QRCodeMessageLocation(double latitude, double longitude) {
  if (!std::isfinite(latitude) || !std::isfinite(longitude))
    foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding,
                      "a location coordinate is not a finite number");
  const std::string place = foundation::shortestString(latitude) + "," + foundation::shortestString(longitude);
  setUTF8Text("geo:" + place + "?q=" + place);
}

// --- mail -----------------------------------------------------------------------------------

std::string QRCodeMessageMail::percentEncodeQuery(std::string_view text, std::string_view alsoEncoded) {
  static constexpr char hex[] = "0123456789ABCDEF";
  static constexpr std::array<bool, 256> queryAllowed = [] {
    std::array<bool, 256> allowed{};
    for (std::size_t c = 0; c < allowed.size(); ++c) allowed[c] = isQueryAllowed(static_cast<unsigned char>(c));
    return allowed;
  }();
  std::array<bool, 256> kept = queryAllowed;
  for (const char ch : alsoEncoded) kept[static_cast<unsigned char>(ch)] = false;
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (kept[c]) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 0xF]);
    }
  }
  return out;
}

QRCodeMessageMail::QRCodeMessageMail(std::string_view toAddress, std::optional<std::string_view> subject,
                                     std::optional<std::string_view> body) {
  requireUTF8(toAddress, "the mail address");
  if (subject) requireUTF8(*subject, "the mail subject");
  if (body) requireUTF8(*body, "the mail body");
  // "?" would start the query and "#" a fragment; "&" separates header fields. In a field
  // value "&" and "=" would end it or split it, and "+" reads as a space to form decoders.
  static constexpr std::string_view addressDelimiters = "?&#";
  static constexpr std::string_view valueDelimiters = "&=#+";
  // After "mailto:" a leading "//" would start a host: a leading "/" is written "%2F", so
  // "//host/path" reads back as that address, not as the path "/path".
  std::string out = "mailto:";
  if (toAddress.starts_with('/')) {
    out += "%2F";
    toAddress.remove_prefix(1);
  }
  out += percentEncodeQuery(toAddress, addressDelimiters);
  char separator = '?';
  if (subject) {
    out.push_back(separator);
    out += "subject=" + percentEncodeQuery(*subject, valueDelimiters);
    separator = '&';
  }
  if (body) {
    out.push_back(separator);
    out += "body=" + percentEncodeQuery(*body, valueDelimiters);
  }
  setUTF8Text(std::move(out));
}

// --- phone and SMS --------------------------------------------------------------------------

std::string QRCodeMessagePhone::keptNumberCharacters(std::string_view number) {
  requireUTF8(number, "the phone number");
  std::string out;
  out.reserve(number.size());
  std::size_t i = 0;
  while (i < number.size()) {
    // One user-perceived character: a code point with the marks that join it.
    const std::size_t start = i;
    const char32_t first = nextCodePoint(number, i);
    while (i < number.size()) {
      std::size_t next = i;
      if (!extendsCharacter(nextCodePoint(number, next))) break;
      i = next;
    }
    const bool plainPlus = first == U'+' && i == start + 1;
    if (plainPlus || isNumberCodePoint(first)) out.append(number.substr(start, i - start));
  }
  return out;
}

QRCodeMessagePhone::QRCodeMessagePhone(std::string_view phoneNumber) {
  setUTF8Text("TEL:" + keptNumberCharacters(phoneNumber));
}

QRCodeMessageSMS::QRCodeMessageSMS(std::string_view mobileNumber, std::string_view message) {
  requireUTF8(message, "the message");
  std::string out = "SMSTO:" + QRCodeMessagePhone::keptNumberCharacters(mobileNumber);
  out.push_back(':');
  out += message;
  setUTF8Text(std::move(out));
}

// --- text -----------------------------------------------------------------------------------

QRCodeMessageText::QRCodeMessageText(std::string_view text, Encoding encoding) {
  requireUTF8(text, "the text");
  switch (encoding) {
    case Encoding::utf8:
      data_ = foundation::bytesOf(text);
      break;
    case Encoding::ascii:
      for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
          foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding, "the text is not ASCII");
      data_ = foundation::bytesOf(text);
      break;
    case Encoding::isoLatin1: {
      foundation::Bytes bytes;
      bytes.reserve(text.size());
      std::size_t i = 0;
      while (i < text.size()) {
        const char32_t cp = nextCodePoint(text, i);
        if (cp > 0xFF)
          foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding,
                            "the text has characters outside ISO Latin 1");
        bytes.push_back(static_cast<std::uint8_t>(cp));
      }
      data_ = std::move(bytes);
      break;
    }
  }
  text_ = std::string(text);
}
