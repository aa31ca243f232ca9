// The content formatters: exact texts of every formatter, the escaping and filtering rules,
// the errors, and codes of formatted messages that real decoders read back exactly.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <type_traits>
#include <vector>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeEngineCoreImage.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeMessageFormatters.hpp"
#include "platform/foundation/Text.hpp"
#include "support/Decode.hpp"
#include "support/Expect.hpp"
#include "support/HostileMessages.hpp"
#include "support/Process.hpp"

namespace {

using testsupport::expectError;

using namespace std::chrono;
using Name = QRCodeMessageContactName;
using Address = QRCodeMessageContactAddress;

QRCodeMessageEvent::Date utc(int y, unsigned m, unsigned d, int hh, int mm, int ss) {
  return sys_days(year(y) / month(m) / day(d)) + hours(hh) + minutes(mm) + seconds(ss);
}

// Every formatter with a text stores its UTF-8 bytes as data.
void expectDataIsText(const QRCodeMessageFormatter& message) {
  const auto text = message.text();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(message.data(), foundation::bytesOf(*text));
}

const Name kEmptyName(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);

QRCodeMessageContact contact(const Name& name, std::string_view fn, std::vector<Address> addresses = {},
                             std::optional<std::string_view> org = std::nullopt,
                             std::optional<std::string_view> title = std::nullopt,
                             std::vector<std::string> tel = {}, std::vector<std::string> email = {},
                             std::vector<std::string> urls = {}, std::vector<std::string> notes = {}) {
  return QRCodeMessageContact(name, fn, addresses, org, title, tel, email, urls, notes);
}

// --- no formatter without arguments ------------------------------------------------------

static_assert(!std::is_default_constructible_v<QRCodeMessageContact>);
static_assert(!std::is_default_constructible_v<QRCodeMessageContactName>);
static_assert(!std::is_default_constructible_v<QRCodeMessageContactAddress>);
static_assert(!std::is_default_constructible_v<QRCodeMessageData>);
static_assert(!std::is_default_constructible_v<QRCodeMessageDataBase64>);
static_assert(!std::is_default_constructible_v<QRCodeMessageEvent>);
static_assert(!std::is_default_constructible_v<QRCodeMessageLink>);
static_assert(!std::is_default_constructible_v<QRCodeMessageLocation>);
static_assert(!std::is_default_constructible_v<QRCodeMessageMail>);
static_assert(!std::is_default_constructible_v<QRCodeMessagePhone>);
static_assert(!std::is_default_constructible_v<QRCodeMessageSMS>);
static_assert(!std::is_default_constructible_v<QRCodeMessageText>);
static_assert(std::is_default_constructible_v<QRCodeMessage>);
static_assert(std::is_same_v<QRCodeMessage::Contact::Name, QRCodeMessageContactName>);

// --- contact -------------------------------------------------------------------------------

TEST(MessageContact, MinimalCard) {
  const auto card = contact(kEmptyName, "Jo");
  EXPECT_EQ(*card.text(), "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:Jo\nEND:VCARD");
  expectDataIsText(card);
}

TEST(MessageContact, NameAndAddressLines) {
  EXPECT_EQ(Name("Doe", "Jane", "Q", "Dr.", "PhD").vcard(), "N:Doe;Jane;Q;Dr.;PhD\n");
  EXPECT_EQ(Name(std::nullopt, "Jane", std::nullopt, std::nullopt, "Jr.").vcard(), "N:;Jane;;;Jr.\n");
  // Fields are vCard text: the semicolons stay the separators.
  EXPECT_EQ(Name("a;b", "c,d", "e\\f", "g\r\nh", std::nullopt).vcard(), "N:a\\;b;c\\,d;e\\\\f;g\\nh;\n");
  const Address home("HOME", std::nullopt, std::nullopt, "1 Main St", std::nullopt, std::nullopt, std::nullopt,
                     std::nullopt);
  EXPECT_EQ(home.vcard(), "ADR;TYPE=HOME:;;1 Main St;;;;\n");
  const Address work("WORK", "PO 7", "Suite 2", "5 High St", "Springfield", "IL", "62701", "USA");
  EXPECT_EQ(work.vcard(), "ADR;TYPE=WORK:PO 7;Suite 2;5 High St;Springfield;IL;62701;USA\n");
  EXPECT_EQ(work.type(), "WORK");
  EXPECT_EQ(work.country(), "USA");
  // A list of types stays a list; a type that would end the parameter, or is empty, is
  // quoted; one that a parameter cannot hold is refused.
  const auto typed = [](std::string type) {
    return Address(std::move(type), std::nullopt, std::nullopt, "x", std::nullopt, std::nullopt, std::nullopt,
                   std::nullopt);
  };
  EXPECT_EQ(typed("HOME,WORK").vcard(), "ADR;TYPE=HOME,WORK:;;x;;;;\n");
  EXPECT_EQ(typed("HOME;X").vcard(), "ADR;TYPE=\"HOME;X\":;;x;;;;\n");
  EXPECT_EQ(typed("x-a:b,c").vcard(), "ADR;TYPE=\"x-a:b,c\":;;x;;;;\n");
  EXPECT_EQ(typed("").vcard(), "ADR;TYPE=\"\":;;x;;;;\n");
  EXPECT_EQ(typed("a\tb").vcard(), "ADR;TYPE=a\tb:;;x;;;;\n");
  for (const char* bad : {"HOME\nX-INJECTED:1", "say \"hi\"", "del\x7f"})
    expectError([&] { typed(bad).vcard(); }, QRCodeError::unableToConvertTextToRequestedEncoding, bad);
}

TEST(MessageContact, EveryFieldInItsOrder) {
  const Address home("HOME", std::nullopt, std::nullopt, "1 Main St", "Town", std::nullopt, "12345", std::nullopt);
  const Address work("WORK", std::nullopt, std::nullopt, "2 Side Rd", std::nullopt, std::nullopt, std::nullopt,
                     "NL");
  const auto card = contact(Name("Doe", "Jane", std::nullopt, "Ms.", std::nullopt), "Jane Doe", {home, work},
                            "Acme; Inc.", "Engineer", {"+1 555 0100", "555-0199"},
                            {"jane@example.com", "j.doe@example.org"}, {"https://example.com/jane?a=1,2"},
                            {"first, second", "tab\there\r\n  and\u00a0there"});
  EXPECT_EQ(*card.text(),
            "BEGIN:VCARD\n"
            "VERSION:3.0\n"
            "N:Doe;Jane;;Ms.;\n"
            "FN:Jane Doe\n"
            "ADR;TYPE=HOME:;;1 Main St;Town;;12345;\n"
            "ADR;TYPE=WORK:;;2 Side Rd;;;;NL\n"
            "ORG:Acme\\; Inc.\n"
            "TITLE:Engineer\n"
            "EMAIL:jane@example.com\n"
            "EMAIL:j.doe@example.org\n"
            "TEL:+1 555 0100\n"
            "TEL:555-0199\n"
            "URL:https://example.com/jane?a=1,2\n"
            "NOTE:first\\, second\n"
            "NOTE:tab here and there\n"
            "END:VCARD");
  expectDataIsText(card);
}

TEST(MessageContact, URLsMustBeURLs) {
  for (const char* url : {"not a url\nX-INJECTED:1", "two words", ""}) {
    expectError([&] { contact(kEmptyName, "x", {}, std::nullopt, std::nullopt, {}, {}, {url}); },
                QRCodeError::invalidURL, url);
  }
}

TEST(MessageContact, EmptyOrganisationStillGivesItsLine) {
  EXPECT_EQ(*contact(kEmptyName, "X", {}, "", std::nullopt).text(),
            "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:X\nORG:\nEND:VCARD");
  EXPECT_EQ(*contact(kEmptyName, "X", {}, std::nullopt, "").text(),
            "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:X\nTITLE:\nEND:VCARD");
}

TEST(MessageContact, NoteEscaping) {
  struct Row {
    const char* note;
    const char* line;
  };
  const Row rows[] = {
      {"a, b\n\n c", "NOTE:a\\, b c"},
      {",,", "NOTE:\\,\\,"},
      {"  lead and trail  ", "NOTE: lead and trail "},
      {"x\u2028y\u2029z\u3000w", "NOTE:x y z w"},  // line, paragraph and ideographic spaces
      {"form\ffeed", "NOTE:form feed"},
      {"vertical\vtab\u0085next", "NOTE:vertical tab next"},  // white space to "\s" too
      {"a;b\\c\\,", "NOTE:a\\;b\\\\c\\\\\\,"},
      {"caf\u00e9, ok", "NOTE:caf\u00e9\\, ok"},
      {"", "NOTE:"},
  };
  for (const Row& row : rows) {
    const auto card = contact(kEmptyName, "N", {}, std::nullopt, std::nullopt, {}, {}, {}, {row.note});
    EXPECT_EQ(*card.text(), std::string("BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:N\n") + row.line + "\nEND:VCARD")
        << row.note;
  }
}

// --- event ---------------------------------------------------------------------------------

TEST(MessageEvent, ExactBlock) {
  const QRCodeMessageEvent event("Party", "Town hall", utc(2024, 3, 5, 14, 7, 9), utc(2024, 3, 5, 23, 0, 0));
  EXPECT_EQ(*event.text(),
            "BEGIN:VEVENT\r\nSUMMARY:Party\r\nLOCATION:Town hall\r\nDTSTART:20240305T140709Z\r\n"
            "DTEND:20240305T230000Z\r\nEND:VEVENT");
  expectDataIsText(event);
}

TEST(MessageEvent, CarriageReturnLineFeedPairsAreRemovedAndTheRestEscaped) {
  const auto t = utc(2000, 1, 1, 0, 0, 0);
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"Party\r\nTonight", "PartyTonight"},
      {"Party\nTonight", "Party\\nTonight"},  // the line feed stays, as TEXT writes it
      {"Party\rTonight", "Party\\nTonight"},
      {"a\r\r\n\nb", "a\\n\\nb"},  // one pass: the pair in the middle goes
      {"\r\n\r\n", ""},
      {"a;b,c\\d:e", "a\\;b\\,c\\\\d:e"},
  };
  for (const Row& row : rows) {
    const QRCodeMessageEvent event(row.in, row.in, t, t);
    EXPECT_EQ(*event.text(), std::string("BEGIN:VEVENT\r\nSUMMARY:") + row.out + "\r\nLOCATION:" + row.out +
                                 "\r\nDTSTART:20000101T000000Z\r\nDTEND:20000101T000000Z\r\nEND:VEVENT")
        << row.in;
  }
}

TEST(MessageEvent, DateFormat) {
  EXPECT_EQ(QRCodeMessageEvent::formatDate(utc(2024, 3, 5, 14, 7, 9)), "20240305T140709Z");
  EXPECT_EQ(QRCodeMessageEvent::formatDate(utc(1999, 12, 31, 23, 59, 59)), "19991231T235959Z");
  // Fractions of a second are dropped, also before 1970.
  EXPECT_EQ(QRCodeMessageEvent::formatDate(utc(2024, 2, 29, 12, 0, 0) + milliseconds(999)), "20240229T120000Z");
  EXPECT_EQ(QRCodeMessageEvent::formatDate(utc(1969, 12, 31, 23, 59, 59) + milliseconds(500)),
            "19691231T235959Z");
  EXPECT_EQ(QRCodeMessageEvent::formatDate(utc(1800, 7, 4, 1, 2, 3)), "18000704T010203Z");
  // Every year from 1 to 9999, and nothing outside.
  EXPECT_EQ(QRCodeMessageEvent::formatDate(utc(1, 1, 1, 0, 0, 0)), "00010101T000000Z");
  EXPECT_EQ(QRCodeMessageEvent::formatDate(utc(9999, 12, 31, 23, 59, 59) + microseconds(999999)),
            "99991231T235959Z");
  for (const QRCodeMessageEvent::Date outside :
       {utc(0, 12, 31, 23, 59, 59), utc(1, 1, 1, 0, 0, 0) - microseconds(1), utc(10000, 1, 1, 0, 0, 0),
        QRCodeMessageEvent::Date::max(), QRCodeMessageEvent::Date::min()}) {
    expectError([&] { QRCodeMessageEvent::formatDate(outside); },
                QRCodeError::unableToConvertTextToRequestedEncoding);
    expectError([&] { QRCodeMessageEvent e("x", "y", utc(2000, 1, 1, 0, 0, 0), outside); },
                QRCodeError::unableToConvertTextToRequestedEncoding);
  }
}

// --- link ----------------------------------------------------------------------------------

TEST(MessageLink, AcceptsURLsUnchanged) {
  for (const char* url : {"https://example.com", "https://example.com/a/b?c=1&d=%20#frag", "mailto:a@b.c",
                          "http://[::1]:8080/x", "relative/path", "urn:isbn:0451450523", "a+b.c-d:rest"}) {
    const QRCodeMessageLink link(url);
    EXPECT_EQ(*link.text(), url);
    expectDataIsText(link);
  }
}

TEST(MessageLink, RefusesTextsThatAreNoURL) {
  for (const char* text : {"", "hello world", "http://a b", "100%", "%zz", "a#b#c", "1abc:x", ":x",
                           "http://x/[y]", "http://\u00fc.de", "tab\there", "quote\"", "<a>", "{x}"}) {
    expectError([&] { QRCodeMessageLink link(text); }, QRCodeError::invalidURL, text);
  }
}

// --- location ------------------------------------------------------------------------------

TEST(MessageLocation, ShortestNumbers) {
  struct Row {
    double lat, lon;
    const char* text;
  };
  const Row rows[] = {
      {52.5, 13.25, "geo:52.5,13.25?q=52.5,13.25"},
      {52.0, -0.5, "geo:52.0,-0.5?q=52.0,-0.5"},
      {0.00001, -180.0, "geo:1e-05,-180.0?q=1e-05,-180.0"},
      {0.1, 0.0, "geo:0.1,0.0?q=0.1,0.0"},
      {-33.8688, 151.2093, "geo:-33.8688,151.2093?q=-33.8688,151.2093"},
  };
  for (const Row& row : rows) {
    const QRCodeMessageLocation location(row.lat, row.lon);
    EXPECT_EQ(*location.text(), row.text);
    expectDataIsText(location);
  }
}

TEST(MessageLocation, RefusesNumbersThatAreNotFinite) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const auto& [lat, lon] : {std::pair{nan, 0.0}, std::pair{0.0, inf}, std::pair{-inf, nan}})
    expectError([lat = lat, lon = lon] { QRCodeMessageLocation l(lat, lon); }, QRCodeError::unableToConvertTextToRequestedEncoding);
}

// --- mail ----------------------------------------------------------------------------------

TEST(MessageMail, Texts) {
  struct Row {
    const char* to;
    std::optional<std::string_view> subject, body;
    const char* text;
  };
  const Row rows[] = {
      {"a@example.com", std::nullopt, std::nullopt, "mailto:a@example.com"},
      {"a b@example.com", std::nullopt, std::nullopt, "mailto:a%20b@example.com"},
      {"a@example.com", "Hi there", std::nullopt, "mailto:a@example.com?subject=Hi%20there"},
      {"a@example.com", std::nullopt, "Body only", "mailto:a@example.com?body=Body%20only"},
      {"a@example.com", "", "", "mailto:a@example.com?subject=&body="},
      {"a@example.com", "x=1&y=2", "line\nbreak", "mailto:a@example.com?subject=x%3D1%26y%3D2&body=line%0Abreak"},
      {"a?b&c#d=e+f@x", "#+", std::nullopt, "mailto:a%3Fb%26c%23d=e+f@x?subject=%23%2B"},
      {"z\u00fc@example.com", "50% \"off\"", "#1 <b>",
       "mailto:z%C3%BC@example.com?subject=50%25%20%22off%22&body=%231%20%3Cb%3E"},
      {"a@b.c", "keep -._~!$'()*,;:/?", std::nullopt, "mailto:a@b.c?subject=keep%20-._~!$'()*,;:/?"},
  };
  for (const Row& row : rows) {
    const QRCodeMessageMail mail(row.to, row.subject, row.body);
    EXPECT_EQ(*mail.text(), row.text) << row.to;
    expectDataIsText(mail);
  }
}

// --- phone and SMS -------------------------------------------------------------------------

TEST(MessagePhone, KeepsNumbersAndPlus) {
  struct Row {
    const char* number;
    const char* text;
  };
  const Row rows[] = {
      {"+1 (555) 010-9999", "TEL:+15550109999"},
      {"no digits here", "TEL:"},
      {"", "TEL:"},
      {"\u0660\u0661\u0662-3", "TEL:\u0660\u0661\u06623"},     // Arabic-Indic digits
      {"\u00bd and \u216b", "TEL:\u00bd\u216b"},               // a fraction and a Roman numeral
      {"1\u20e3 2", "TEL:1\u20e32"},                           // keycap: the digit with its mark
      {"+\u0301 5", "TEL:5"},                                  // "+" with a mark is another character
      {"\uff11\uff12", "TEL:\uff11\uff12"},                    // full-width digits
      {"ext. 12#34*", "TEL:1234"},
  };
  for (const Row& row : rows) {
    const QRCodeMessagePhone phone(row.number);
    EXPECT_EQ(*phone.text(), row.text) << row.number;
    expectDataIsText(phone);
  }
}

TEST(MessageSMS, NumberThenMessageUnchanged) {
  const QRCodeMessageSMS sms("+1 (555) 010-9999", "Hello: world, 100%\n");
  EXPECT_EQ(*sms.text(), "SMSTO:+15550109999:Hello: world, 100%\n");
  expectDataIsText(sms);
  EXPECT_EQ(*QRCodeMessageSMS("", "").text(), "SMSTO::");
}

// --- text, data, base64 --------------------------------------------------------------------

TEST(MessageText, Encodings) {
  const QRCodeMessageText utf8("caf\u00e9");
  EXPECT_EQ(*utf8.text(), "caf\u00e9");
  EXPECT_EQ(utf8.data(), foundation::bytesOf("caf\u00e9"));
  const QRCodeMessageText latin1("caf\u00e9", QRCodeMessageText::Encoding::isoLatin1);
  EXPECT_EQ(*latin1.text(), "caf\u00e9");
  EXPECT_EQ(latin1.data(), (foundation::Bytes{'c', 'a', 'f', 0xE9}));
  const QRCodeMessageText ascii("plain", QRCodeMessageText::Encoding::ascii);
  EXPECT_EQ(ascii.data(), foundation::bytesOf("plain"));
  expectError([] { QRCodeMessageText t("caf\u00e9", QRCodeMessageText::Encoding::ascii); },
              QRCodeError::unableToConvertTextToRequestedEncoding, "ascii");
  expectError([] { QRCodeMessageText t("\u20ac", QRCodeMessageText::Encoding::isoLatin1); },
              QRCodeError::unableToConvertTextToRequestedEncoding, "latin1");
}

TEST(MessageData, BytesWithoutText) {
  const foundation::Bytes bytes{0x00, 0xFF, 0x10, 0x80};
  const QRCodeMessageData data(bytes);
  EXPECT_FALSE(data.text().has_value());
  EXPECT_EQ(data.data(), bytes);
}

TEST(MessageDataBase64, StandardAlphabetWithPadding) {
  EXPECT_EQ(*QRCodeMessageDataBase64(foundation::Bytes{}).text(), "");
  EXPECT_EQ(*QRCodeMessageDataBase64(foundation::bytesOf("hello")).text(), "aGVsbG8=");
  const foundation::Bytes bytes{0xFB, 0xFF, 0xBF, 0x00};
  const QRCodeMessageDataBase64 b64(bytes);
  EXPECT_EQ(*b64.text(), "+/+/AA==");
  expectDataIsText(b64);
  // Long input gets no line breaks.
  const foundation::Bytes many(300, 0x41);
  EXPECT_EQ(QRCodeMessageDataBase64(many).text()->find('\n'), std::string::npos);
}

// --- text that is not UTF-8 --------------------------------------------------------------

TEST(MessageFormatters, TextThatIsNotUTF8IsRefused) {
  const std::string bad = "ab\xC3(";
  const auto t = utc(2024, 1, 1, 0, 0, 0);
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"contact name", [&] { contact(Name(bad, std::nullopt, std::nullopt, std::nullopt, std::nullopt), "x"); }},
      {"contact note", [&] { contact(kEmptyName, "x", {}, std::nullopt, std::nullopt, {}, {}, {}, {bad}); }},
      {"event", [&] { QRCodeMessageEvent e(bad, "", t, t); }},
      {"mail", [&] { QRCodeMessageMail m("a@b.c", bad, std::nullopt); }},
      {"phone", [&] { QRCodeMessagePhone p(bad); }},
      {"sms", [&] { QRCodeMessageSMS s("1", bad); }},
      {"text", [&] { QRCodeMessageText x(bad); }},
  };
  for (const auto& [what, fn] : cases) expectError(fn, QRCodeError::unableToConvertTextToRequestedEncoding, what);
  // Raw bytes never fail.
  EXPECT_EQ(QRCodeMessageData(foundation::bytesOf(bad)).data(), foundation::bytesOf(bad));
}

// --- hostile fields through independent readers -------------------------------------------

// The readers a phone's scanner stands for: vobject for vCards, icalendar and vobject for
// events, Python's URL parser for mailto. argv: the kind and a JSON list of texts; prints a
// JSON list with one result per text ({"error": ...} when a reader refuses it).
constexpr const char* kReaders = R"PY(
import json, sys

def vcard(text):
    import io, vobject
    card = vobject.readOne(text)
    # A URL value is a URI, not TEXT (RFC 2426, 3.6.8), but vobject decodes every property
    # it has no rule for as TEXT and keeps what comes before the first ",". The URL lines
    # are therefore read with vobject's content-line parser alone.
    lines = [vobject.base.textLineToContentLine(line, number)
             for line, number in vobject.base.getLogicalLines(io.StringIO(text))]
    def values(name):
        return [line.value for line in card.contents.get(name, [])]
    n = card.n.value
    return {
        "properties": sorted(card.contents.keys()),
        "n": [n.family, n.given, n.additional, n.prefix, n.suffix],
        "fn": values("fn"),
        "adr": [{"type": line.params.get("TYPE"),
                 "fields": [line.value.box, line.value.extended, line.value.street, line.value.city,
                            line.value.region, line.value.code, line.value.country]}
                for line in card.contents.get("adr", [])],
        "org": values("org"), "title": values("title"), "email": values("email"),
        "tel": values("tel"), "url": [line.value for line in lines if line.name == "URL"],
        "note": values("note"),
    }

def vevent(text):
    import icalendar, vobject
    ical = icalendar.Event.from_ical(text)
    vobj = vobject.readOne(text)
    return {
        "icalendar": [sorted(ical.keys()), str(ical["SUMMARY"]), str(ical["LOCATION"]),
                      ical.decoded("DTSTART").isoformat(), ical.decoded("DTEND").isoformat()],
        "vobject": [sorted(vobj.contents.keys()), vobj.summary.value, vobj.location.value,
                    vobj.dtstart.value.isoformat(), vobj.dtend.value.isoformat()],
    }

def mailto(text):
    from urllib.parse import urlsplit, unquote, parse_qsl
    url = urlsplit(text)
    return {"scheme": url.scheme, "to": unquote(url.path, errors="strict"), "fragment": url.fragment,
            "query": [list(item) for item in parse_qsl(url.query, keep_blank_values=True, errors="strict")]}

def guarded(read, text):
    try:
        return read(text)
    except Exception as error:
        return {"error": repr(error)}

read = {"vcard": vcard, "vevent": vevent, "mailto": mailto}[sys.argv[1]]
print(json.dumps([guarded(read, text) for text in json.loads(sys.argv[2])]))
)PY";

// What the readers make of the texts, one result per text.
nlohmann::json readBack(const std::string& kind, const std::vector<std::string>& texts) {
  const testsupport::ProcessResult result =
      testsupport::runProcess({"/usr/bin/python3", "-c", kReaders, kind, nlohmann::json(texts).dump()});
  EXPECT_EQ(result.exitCode, 0) << "the " << kind << " reader failed";
  nlohmann::json read = nlohmann::json::parse(result.output, nullptr, false);
  if (!read.is_array() || read.size() != texts.size()) {
    ADD_FAILURE() << "the " << kind << " reader printed: " << result.output;
    return nlohmann::json::array();
  }
  return read;
}

// The value's text as it reads back from one vCard text field, n times.
nlohmann::json repeated(const std::string& text, std::size_t n) {
  return nlohmann::json(std::vector<std::string>(n, text));
}

TEST(MessageContact, HostileFieldsReadBackExactly) {
  std::vector<std::string> texts;
  std::vector<nlohmann::json> expected;
  for (const testsupport::HostileValue& row : testsupport::hostileValues()) {
    SCOPED_TRACE(row.value);
    // An address type a parameter cannot hold is refused; the card then has a plain one.
    std::string type = row.value;
    if (!row.parameter) {
      expectError([&] { testsupport::hostileContact(row.value, type, {}); },
                  QRCodeError::unableToConvertTextToRequestedEncoding, "address type");
      type = "HOME";
    }
    // A URL line holds only URLs: a value that is none is refused, one that is reads back.
    std::vector<std::string> urls{testsupport::kHostileContactURL, row.value};
    try {
      testsupport::hostileContact(row.value, type, urls);
    } catch (const foundation::Error& e) {
      EXPECT_TRUE(e.is(QRCodeError::invalidURL)) << e.what();
      urls.pop_back();
    }
    if (row.value.find_first_of("\r\n ") != std::string::npos || row.value.empty()) {
      EXPECT_EQ(urls.size(), 1u) << "taken as a URL";
    }
    if (row.value.starts_with("https://")) {
      EXPECT_EQ(urls.size(), 2u) << "refused as a URL";
    }
    texts.push_back(*testsupport::hostileContact(row.value, type, urls).text());
    expected.push_back({
        {"properties", {"adr", "email", "fn", "n", "note", "org", "tel", "title", "url", "version"}},
        {"n", repeated(row.asText, 5)},
        {"fn", repeated(row.asText, 1)},
        {"adr", nlohmann::json::array({{{"type", row.asTypes.empty() ? nlohmann::json::array({type})
                                                                     : nlohmann::json(row.asTypes)},
                                        {"fields", repeated(row.asText, 7)}}})},
        {"org", nlohmann::json::array({repeated(row.asText, 1)})},
        {"title", repeated(row.asText, 1)},
        {"email", repeated(row.asText, 1)},
        {"tel", repeated(row.asText, 1)},
        {"url", urls},
        {"note", repeated(row.asNote, 1)},
    });
  }
  const nlohmann::json read = readBack("vcard", texts);
  for (std::size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i], expected[i]) << texts[i];
}

TEST(MessageEvent, HostileFieldsReadBackExactly) {
  std::vector<std::string> texts;
  std::vector<nlohmann::json> expected;
  for (const testsupport::HostileValue& row : testsupport::hostileValues()) {
    texts.push_back(*testsupport::hostileEvent(row.value).text());
    // The first and the last second of the calendar the text can hold.
    const nlohmann::json fields = {nlohmann::json::array({"DTEND", "DTSTART", "LOCATION", "SUMMARY"}),
                                   row.asEvent, row.asEvent, "0001-01-01T00:00:00+00:00",
                                   "9999-12-31T23:59:59+00:00"};
    nlohmann::json vobjectFields = fields;
    vobjectFields[0] = {"dtend", "dtstart", "location", "summary"};
    expected.push_back({{"icalendar", fields}, {"vobject", vobjectFields}});
  }
  const nlohmann::json read = readBack("vevent", texts);
  for (std::size_t i = 0; i < read.size(); ++i) {
    // icalendar 4 undoes the escapes one after the other, so an escaped backslash before an
    // "n" comes back as a line break; vobject reads that text as TEXT defines it.
    if (testsupport::hostileValues()[i].value.find("\\n") != std::string::npos) {
      EXPECT_EQ(read[i]["vobject"], expected[i]["vobject"]) << texts[i];
      continue;
    }
    EXPECT_EQ(read[i], expected[i]) << texts[i];
  }
}

TEST(MessageMail, HostileFieldsReadBackExactly) {
  std::vector<std::string> texts;
  std::vector<nlohmann::json> expected;
  for (const testsupport::HostileValue& row : testsupport::hostileValues()) {
    texts.push_back(*testsupport::hostileMail(row.value).text());
    expected.push_back({{"scheme", "mailto"},
                        {"to", row.value},
                        {"fragment", ""},
                        {"query", nlohmann::json::array({{"subject", row.value}, {"body", row.value}})}});
  }
  const nlohmann::json read = readBack("mailto", texts);
  for (std::size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i], expected[i]) << texts[i];
}

// --- formatted messages in real codes ------------------------------------------------------

TEST(MessageFormatters, CodesDecodeToExactlyTheirText) {
  const auto t0 = utc(2025, 6, 1, 18, 30, 0);
  std::vector<std::unique_ptr<QRCodeMessageFormatterBase>> messages;
  messages.push_back(std::make_unique<QRCodeMessageContact>(contact(
      Name("Doe", "Jane", std::nullopt, std::nullopt, std::nullopt), "Jane Doe",
      {Address("HOME", std::nullopt, std::nullopt, "1 Main St", "Town", std::nullopt, "12345", "NL")}, "Acme",
      "Engineer", {"+1 555 0100"}, {"jane@example.com"}, {"https://example.com"}, {"likes, tea"})));
  messages.push_back(std::make_unique<QRCodeMessageEvent>("Launch party", "Dock 4, Pier 2", t0, t0 + hours(3)));
  messages.push_back(std::make_unique<QRCodeMessageLink>("https://vidlumen.example.com/wallpaper/waves?x=1"));
  messages.push_back(std::make_unique<QRCodeMessageLocation>(52.5, 13.25));
  messages.push_back(std::make_unique<QRCodeMessageMail>("jo@example.com", "Hello there", "See you & bye"));
  messages.push_back(std::make_unique<QRCodeMessagePhone>("+1 (555) 010-9999"));
  messages.push_back(std::make_unique<QRCodeMessageSMS>("+44 20 7946 0958", "Running late: 10 min"));
  messages.push_back(std::make_unique<QRCodeMessageText>("plain text message"));
  messages.push_back(std::make_unique<QRCodeMessageText>("Gr\u00fc\u00dfe aus \u6771\u4eac \u2014 caf\u00e9"));
  messages.push_back(std::make_unique<QRCodeMessageDataBase64>(foundation::bytesOf("raw \x01\x02 bytes")));
  for (const auto& message : messages) {
    const std::string text = *message->text();
    SCOPED_TRACE(text);
    // Through the core model from the message's bytes, with both engines.
    for (const std::shared_ptr<QRCodeEngine>& engine :
         std::vector<std::shared_ptr<QRCodeEngine>>{std::make_shared<QRCodeEngineCoreImage>(),
                                                    std::make_shared<QRCodeEngineExternal>()}) {
      const QRCode code(*message, QRCode::ErrorCorrection::medium, engine);
      const DecodeResults results = decodeBoth(matrixImage(*code.boolMatrix(), 4, 4));
      EXPECT_EQ(results.zxing, std::vector<std::string>{text}) << engine->name();
      EXPECT_EQ(results.zbar, std::vector<std::string>{text}) << engine->name();
    }
  }
}

}  // namespace
