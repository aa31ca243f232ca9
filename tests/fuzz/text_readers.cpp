// The remaining text readers: base64, numbers, settings JSON, and the message formatters
// fed with the input as their texts.

#include <cmath>
#include <cstring>
#include <string>

#include "QRCode/design/QRCodeMessageFormatters.hpp"
#include "platform/foundation/Numbers.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/foundation/Text.hpp"
#include "support/Fuzz.hpp"

namespace {

// The number reads back from its shortest text exactly (NaN as NaN).
void numberRoundTrip(double value) {
  const auto back = foundation::parseDouble(foundation::shortestString(value));
  fuzzRequire(back && (*back == value || (std::isnan(*back) && std::isnan(value))), "shortest text reads back");
  (void)foundation::fixedString(value, 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzzText(data, size);

  for (const bool whitespace : {false, true})
    if (const auto bytes = foundation::base64Decode(text, whitespace))
      fuzzRequire(foundation::base64Decode(foundation::base64Encode(*bytes)) == bytes, "base64 round trip");
  fuzzRequire(foundation::base64Decode(foundation::base64Encode(fuzzBytes(data, size), true), true) ==
                  foundation::Bytes(data, data + size),
              "base64 with line breaks round trip");

  std::size_t consumed = 0;
  if (const auto number = foundation::readDouble(text, &consumed)) {
    fuzzRequire(consumed <= text.size(), "a number reads within the text");
    numberRoundTrip(*number);
  }
  if (const auto number = foundation::parseDouble(text)) numberRoundTrip(*number);
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    numberRoundTrip(raw);
  }

  if (const auto json = foundation::readJSON(text)) {
    if (const auto written = foundation::writeJSON(*json, 1)) {
      fuzzRequire(foundation::readJSON(*written) == json, "settings JSON round trip");
    } else {
      fuzzRequire(foundation::containsNonFinite(*json), "only non-finite numbers stop the JSON writer");
    }
  }

  // The formatters with the input split into two texts.
  const std::string_view first = text.substr(0, text.size() / 2), second = text.substr(text.size() / 2);
  fuzzAttempt([&] { (void)QRCodeMessageLink(text); });
  fuzzAttempt([&] { (void)QRCodeMessagePhone(text); });
  fuzzAttempt([&] { (void)QRCodeMessageSMS(first, second); });
  fuzzAttempt([&] { (void)QRCodeMessageMail(first, second, text); });
  fuzzAttempt([&] { (void)QRCodeMessageText(text); });
  fuzzAttempt([&] { (void)QRCodeMessageDataBase64(fuzzBytes(data, size)); });
  if (size >= 2 * sizeof(double)) {
    double latitude, longitude;
    std::memcpy(&latitude, data, sizeof latitude);
    std::memcpy(&longitude, data + sizeof latitude, sizeof longitude);
    fuzzAttempt([&] { (void)QRCodeMessageLocation(latitude, longitude); });
  }
  return 0;
}
