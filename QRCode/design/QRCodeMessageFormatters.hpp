#pragma once
// Content formatters: each turns structured content into the exact text (and bytes) that a
// QR code carries so that a phone's camera recognises it - a contact card (vCard 3.0), a
// calendar event (a VEVENT block), a link, a location ("geo:"), an e-mail ("mailto:"), a
// phone number ("TEL:"), a text message ("SMSTO:"), plain text, base64 text or raw bytes.
//
// A formatter does all its work in its constructor and then only holds the result; it is
// immutable and may be read from any thread. Constructors raise (foundation::Error):
//   QRCodeError::unableToConvertTextToRequestedEncoding  an input or the built text is not
//       well-formed UTF-8 (or a QRCodeMessageText text has no form in its encoding, a
//       location coordinate is not a finite number, an event date lies outside the years 1
//       to 9999, or a contact address type cannot be a vCard parameter);
//   QRCodeError::invalidURL  a link text or a contact URL that is not a URL.
// Only QRCodeMessageData never raises. No formatter has a parameterless constructor.
//
// URLs are texts (RFC 3986 URI references); a URL's absolute text is the text itself.

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "QRCode/core/QRCodeMessageFormatter.hpp"
#include "platform/foundation/Text.hpp"

// The common base of the formatters below: the text (none for raw bytes) and the bytes,
// both set once by the constructor.
class QRCodeMessageFormatterBase : public QRCodeMessageFormatter {
 public:
  foundation::Bytes data() const override { return data_; }
  std::optional<std::string> text() const override { return text_; }
  // The same without a copy.
  const foundation::Bytes& dataRef() const noexcept { return data_; }
  const std::optional<std::string>& textRef() const noexcept { return text_; }

 protected:
  QRCodeMessageFormatterBase() = default;
  // Stores the text and, as the bytes, its UTF-8 form; raises
  // unableToConvertTextToRequestedEncoding when the text is not well-formed UTF-8.
  void setUTF8Text(std::string text);

  foundation::Bytes data_;
  std::optional<std::string> text_;
};

// --- contact card -----------------------------------------------------------------------

// The name line of a contact card: "N:" last;first;additional;prefix;suffix and a line feed.
// Absent fields are written as nothing; each field is a vCard text value (see
// QRCodeMessageContact), so the semicolons stay the separators.
class QRCodeMessageContactName {
 public:
  QRCodeMessageContactName(std::optional<std::string> lastName, std::optional<std::string> firstName,
                           std::optional<std::string> additionalName, std::optional<std::string> namePrefix,
                           std::optional<std::string> nameSuffix);

  const std::optional<std::string>& lastName() const noexcept { return lastName_; }
  const std::optional<std::string>& firstName() const noexcept { return firstName_; }
  const std::optional<std::string>& additionalName() const noexcept { return additionalName_; }
  const std::optional<std::string>& namePrefix() const noexcept { return namePrefix_; }
  const std::optional<std::string>& nameSuffix() const noexcept { return nameSuffix_; }

  std::string vcard() const;

 private:
  std::optional<std::string> lastName_, firstName_, additionalName_, namePrefix_, nameSuffix_;
};

// An address line of a contact card: "ADR;TYPE=" type ":" po;extended;street;locality;
// region;postalCode;country and a line feed. Absent fields are written as nothing; each field
// is a vCard text value (see QRCodeMessageContact). The type is a parameter value, written as
// it is ("HOME,WORK" is the two types HOME and WORK) or in double quotes when it is empty or
// holds ";" or ":"; vcard() raises unableToConvertTextToRequestedEncoding for a type with a
// double quote or a control character other than tab, which a parameter cannot hold.
class QRCodeMessageContactAddress {
 public:
  QRCodeMessageContactAddress(std::string type, std::optional<std::string> postOfficeAddress,
                              std::optional<std::string> extendedAddress, std::optional<std::string> street,
                              std::optional<std::string> locality, std::optional<std::string> region,
                              std::optional<std::string> postalCode, std::optional<std::string> country);

  const std::string& type() const noexcept { return type_; }
  const std::optional<std::string>& postOfficeAddress() const noexcept { return postOfficeAddress_; }
  const std::optional<std::string>& extendedAddress() const noexcept { return extendedAddress_; }
  const std::optional<std::string>& street() const noexcept { return street_; }
  const std::optional<std::string>& locality() const noexcept { return locality_; }
  const std::optional<std::string>& region() const noexcept { return region_; }
  const std::optional<std::string>& postalCode() const noexcept { return postalCode_; }
  const std::optional<std::string>& country() const noexcept { return country_; }

  std::string vcard() const;

 private:
  std::string type_;
  std::optional<std::string> postOfficeAddress_, extendedAddress_, street_, locality_, region_, postalCode_,
      country_;
};

// A vCard 3.0, lines joined by line feeds (none after "END:VCARD"): BEGIN, VERSION, the
// name line, "FN:", the address lines, "ORG:" and "TITLE:" when given, every "EMAIL:", then
// every "TEL:", "URL:" and "NOTE:" line.
//
// Every value but a URL is a vCard 3.0 text value, so that a reader gets back exactly the
// fields given: "\" is written "\\", "," "\," and ";" "\;", and a line break (CR LF, CR or
// LF) "\n". A note then has every run of white space (Unicode White_Space: tab to carriage
// return, space, U+0085, U+00A0, the other space separators, U+2028 and U+2029) replaced by
// one space. A URL value is a URI and is written as it is; a URL that is not one
// (QRCodeMessageLink::parseURL) raises invalidURL.
class QRCodeMessageContact final : public QRCodeMessageFormatterBase {
 public:
  using Name = QRCodeMessageContactName;
  using Address = QRCodeMessageContactAddress;

  QRCodeMessageContact(const Name& name, std::string_view formattedName, std::span<const Address> addresses,
                       std::optional<std::string_view> organisation, std::optional<std::string_view> title,
                       std::span<const std::string> telephoneNumbers, std::span<const std::string> emailAddresses,
                       std::span<const std::string> urls, std::span<const std::string> notes);
};

// --- the other formatters ---------------------------------------------------------------

// Raw bytes: no text; the bytes unchanged. Never raises.
class QRCodeMessageData final : public QRCodeMessageFormatterBase {
 public:
  explicit QRCodeMessageData(foundation::Bytes data);
};

// The bytes' standard base64 text (no line breaks) and that text's bytes.
class QRCodeMessageDataBase64 final : public QRCodeMessageFormatterBase {
 public:
  explicit QRCodeMessageDataBase64(std::span<const std::uint8_t> data);
};

// A VEVENT block, lines ended by "\r\n" but the last ("END:VEVENT"): SUMMARY, LOCATION,
// DTSTART and DTEND as UTC "yyyyMMdd'T'HHmmss'Z'" (seconds truncated toward the past).
// SUMMARY and LOCATION have every CR LF pair removed and are then iCalendar TEXT values:
// "\", ";" and "," escaped with a backslash, every remaining CR or LF written "\n" (so that
// it stays a line feed for every reader). A date outside the years 1 to 9999 raises
// unableToConvertTextToRequestedEncoding.
class QRCodeMessageEvent final : public QRCodeMessageFormatterBase {
 public:
  // A time on the UTC calendar, to the microsecond; covers every year the text can hold.
  using Date = std::chrono::sys_time<std::chrono::microseconds>;
  QRCodeMessageEvent(std::string_view summary, std::string_view location, Date start, Date end);

  // "yyyyMMdd'T'HHmmss'Z'" in UTC on the proleptic Gregorian calendar; raises
  // unableToConvertTextToRequestedEncoding outside 0001-01-01T00:00:00 ... 9999-12-31T23:59:59.
  static std::string formatDate(Date date);
};

// A link: the URL's absolute text. Raises invalidURL for a text that is not a URL.
class QRCodeMessageLink final : public QRCodeMessageFormatterBase {
 public:
  explicit QRCodeMessageLink(std::string_view url);

  // The absolute text of a URL reference, or none when the text is not one: empty text,
  // blanks, control or non-ASCII characters, a character outside the URI set, a "%" not
  // followed by two hexadecimal digits, more than one "#", or a ":" in the first path
  // segment after something that is not a scheme (a letter, then letters, digits, "+",
  // "-" or ".").
  static std::optional<std::string> parseURL(std::string_view text);
};

// "geo:" + L + "?q=" + L with L = latitude "," longitude, each in the shortest round-trip
// form ("52.0", "1e-05"). A coordinate that is not finite raises
// unableToConvertTextToRequestedEncoding.
class QRCodeMessageLocation final : public QRCodeMessageFormatterBase {
 public:
  QRCodeMessageLocation(double latitude, double longitude);
};

// "mailto:" + the address, then "?subject=...&body=..." for the parts given (an empty part
// still gives its item); everything percent-encoded with the URL query set, and besides
// "?", "&" and "#" in the address (and a leading "/", which with a second one would start
// a host) and "&", "=", "#" and "+" in the subject and body, so that a URL parser reads
// back exactly the address, subject and body given.
class QRCodeMessageMail final : public QRCodeMessageFormatterBase {
 public:
  QRCodeMessageMail(std::string_view toAddress, std::optional<std::string_view> subject,
                    std::optional<std::string_view> body);

  // The text with every character outside the query-allowed set (ASCII letters and digits,
  // "@", "-._~!$&'()*+,;=:/?"), and every character of alsoEncoded, written as "%XX" per
  // UTF-8 byte, upper-case hexadecimal.
  static std::string percentEncodeQuery(std::string_view text, std::string_view alsoEncoded = {});
};

// "TEL:" + the number's kept characters (every Unicode number character and "+").
class QRCodeMessagePhone final : public QRCodeMessageFormatterBase {
 public:
  explicit QRCodeMessagePhone(std::string_view phoneNumber);

  // The characters of the number that a dialler keeps: every character whose first code
  // point is a Unicode number (decimal digits of any script, letter numbers such as Roman
  // numerals, other numbers such as fractions), with its combining marks, and every "+".
  // Raises unableToConvertTextToRequestedEncoding for text that is not UTF-8.
  static std::string keptNumberCharacters(std::string_view number);
};

// "SMSTO:" + the number's kept characters + ":" + the message unchanged.
class QRCodeMessageSMS final : public QRCodeMessageFormatterBase {
 public:
  QRCodeMessageSMS(std::string_view mobileNumber, std::string_view message);
};

// Plain text: the text unchanged, and its bytes in the requested encoding (UTF-8 unless
// given). Raises unableToConvertTextToRequestedEncoding when the text has no form in it.
class QRCodeMessageText final : public QRCodeMessageFormatterBase {
 public:
  enum class Encoding { utf8, ascii, isoLatin1 };
  explicit QRCodeMessageText(std::string_view text, Encoding encoding = Encoding::utf8);
};

// The namespace of the formatters (QRCode.Message).
class QRCodeMessage {
 public:
  QRCodeMessage() = default;
  using Contact = QRCodeMessageContact;
  using Data = QRCodeMessageData;
  using DataBase64 = QRCodeMessageDataBase64;
  using Event = QRCodeMessageEvent;
  using Link = QRCodeMessageLink;
  using Location = QRCodeMessageLocation;
  using Mail = QRCodeMessageMail;
  using Phone = QRCodeMessagePhone;
  using SMS = QRCodeMessageSMS;
  using Text = QRCodeMessageText;
};
