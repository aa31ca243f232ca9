#include "platform/foundation/Text.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace foundation;

namespace {
struct Base64Row {
  const char* plain;
  const char* encoded;
};
// The test vectors of the base64 standard.
const Base64Row kVectors[] = {
    {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
};
}  // namespace

TEST(Base64Test, StandardVectors) {
  for (const auto& row : kVectors) {
    EXPECT_EQ(base64Encode(bytesOf(row.plain)), row.encoded) << row.plain;
    const auto decoded = base64Decode(row.encoded);
    ASSERT_TRUE(decoded.has_value()) << row.encoded;
    EXPECT_EQ(stringOf(*decoded), row.plain);
  }
}

TEST(Base64Test, AllByteValuesRoundTrip) {
  Bytes all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
  const std::string text = base64Encode(all);
  EXPECT_EQ(text.size(), 344u);
  EXPECT_EQ(text.substr(0, 8), "AAECAwQF");
  EXPECT_NE(text.find('+'), std::string::npos);
  EXPECT_NE(text.find('/'), std::string::npos);
  EXPECT_EQ(base64Decode(text), all);
}

TEST(Base64Test, LineBreaksEverySixtyFourCharacters) {
  const Bytes data(100, 0xAB);  // 136 characters
  const std::string text = base64Encode(data, true);
  ASSERT_EQ(text.size(), 136u + 4u);
  EXPECT_EQ(text.substr(64, 2), "\r\n");
  EXPECT_EQ(text.substr(130, 2), "\r\n");
  EXPECT_NE(text.back(), '\n');  // no break after the last line
  EXPECT_EQ(base64Decode(text), std::nullopt);  // whitespace is refused by default
  EXPECT_EQ(base64Decode(text, true), data);

  // Exactly 64 characters: no break at all.
  const std::string one = base64Encode(Bytes(48, 1), true);
  EXPECT_EQ(one.size(), 64u);
  EXPECT_EQ(one.find('\r'), std::string::npos);
}

TEST(Base64Test, StrictDecoderRefusesMalformedText) {
  const char* bad[] = {
      "Zg",        // missing padding
      "Zg=",       // short padding
      "Z===",      // too much padding
      "====",      // only padding
      "Zm9v=",     // padding after a full group
      "Zg==Zg==",  // data after the padding
      "Zm=v",      // padding inside a group
      "Zm9v YmFy", // whitespace
      "Zm9v\nYmFy",
      "Zm9-",      // URL alphabet
      "Zm9_",
      "Zh==",      // non-zero unused bits
      "Zm9=",
      "Zm9v\xc3",
      "A",
      // The same faults after whole groups.
      "Zm9vYmFyZg",
      "Zm9vYmFyZm9v=",
      "Zm9vYmFyZh==",
      "Zm9vYmFyZm9-",
      "Zm9vYmFyZg==Zm9v",
  };
  for (const char* text : bad) EXPECT_EQ(base64Decode(text), std::nullopt) << '"' << text << '"';
  EXPECT_EQ(base64Decode(std::string("Zg=\0", 4)), std::nullopt);
}

TEST(Base64Test, WhitespaceAllowedWhenAsked) {
  EXPECT_EQ(base64Decode(" Zm9v\r\nYm\tFy \n", true), bytesOf("foobar"));
  EXPECT_EQ(base64Decode("Zg =\n=", true), bytesOf("f"));
  EXPECT_EQ(base64Decode("Zg== Zg==", true), std::nullopt);
  EXPECT_EQ(base64Decode("  ", true), Bytes{});
  EXPECT_EQ(base64Decode("Zm9vYmFy Zm9vYg=\n=", true), bytesOf("foobarfoob"));
}

namespace {
struct UTF8Row {
  std::string text;
  bool valid;
  const char* what;
};
}  // namespace

TEST(UTF8Test, ValidationTable) {
  const UTF8Row rows[] = {
      {"", true, "empty"},
      {"plain ascii", true, "ascii"},
      {"\xc3\xa9t\xc3\xa9", true, "two-byte"},
      {"\xe2\x82\xac", true, "euro sign"},
      {"\xf0\x9f\x98\x80", true, "emoji"},
      {"\xf4\x8f\xbf\xbf", true, "U+10FFFF"},
      {"\xed\x9f\xbf", true, "U+D7FF"},
      {"\xee\x80\x80", true, "U+E000"},
      {std::string("a\0b", 3), true, "NUL"},
      {"\xc0\x80", false, "overlong NUL"},
      {"\xc1\xbf", false, "overlong two-byte"},
      {"\xe0\x80\xaf", false, "overlong three-byte"},
      {"\xf0\x8f\xbf\xbf", false, "overlong four-byte"},
      {"\xed\xa0\x80", false, "high surrogate"},
      {"\xed\xbf\xbf", false, "low surrogate"},
      {"\xf4\x90\x80\x80", false, "above U+10FFFF"},
      {"\xf5\x80\x80\x80", false, "lead byte F5"},
      {"\xf8\x88\x80\x80\x80", false, "five-byte form"},
      {"\xff", false, "FF"},
      {"\x80", false, "lone continuation"},
      {"\xc3", false, "truncated two-byte"},
      {"\xe2\x82", false, "truncated three-byte"},
      {"\xf0\x9f\x98", false, "truncated four-byte"},
      {"ab\xe2\x82", false, "truncated at the end"},
      {"\xe2\x28\xa1", false, "bad continuation"},
      {"\xc3\xa9\x80", false, "extra continuation"},
  };
  for (const auto& row : rows) EXPECT_EQ(isValidUTF8(row.text), row.valid) << row.what;
}
