#include <gtest/gtest.h>

#include <set>
#include <string>

#include "QRCode/QRCode+Core.hpp"

namespace {

struct LevelRow {
  QRCode::ErrorCorrection level;
  int raw;
  const char* letter;
  char lower;
};

const LevelRow kLevels[] = {
    {QRCode::ErrorCorrection::low, 0, "L", 'l'},
    {QRCode::ErrorCorrection::medium, 1, "M", 'm'},
    {QRCode::ErrorCorrection::quartile, 2, "Q", 'q'},
    {QRCode::ErrorCorrection::high, 3, "H", 'h'},
};

TEST(ErrorCorrection, TableOfLevels) {
  ASSERT_EQ(QRCode::allErrorCorrections.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    const LevelRow& row = kLevels[i];
    SCOPED_TRACE(row.letter);
    EXPECT_EQ(QRCode::allErrorCorrections[i], row.level);
    EXPECT_EQ(QRCode::rawValue(row.level), row.raw);
    EXPECT_EQ(QRCode::letter(row.level), row.letter);
    EXPECT_EQ(QRCode::errorCorrectionFromRawValue(row.raw), row.level);
    EXPECT_EQ(QRCode::errorCorrectionFromCharacter(row.letter[0]), row.level);
    EXPECT_EQ(QRCode::errorCorrectionFromCharacter(row.lower), row.level);
    EXPECT_EQ(QRCode::errorCorrectionFromCharacter(std::string(1, row.lower)), row.level);
    EXPECT_EQ(QRCodeErrorCorrectionLetter(row.raw), row.letter);
  }
}

TEST(ErrorCorrection, RejectsOtherValues) {
  for (std::int64_t raw : {-1LL, 4LL, 99LL, -9223372036854775807LL})
    EXPECT_FALSE(QRCode::errorCorrectionFromRawValue(raw).has_value()) << raw;
  for (char c : {'x', '0', '3', ' ', '\0', 'Z', 'a'})
    EXPECT_FALSE(QRCode::errorCorrectionFromCharacter(c).has_value()) << int(c);
  for (const char* text : {"", "QQ", "Qx", "quartile", "1"})
    EXPECT_FALSE(QRCode::errorCorrectionFromCharacter(std::string_view(text)).has_value()) << text;
  EXPECT_EQ(QRCodeErrorCorrectionLetter(4), "");
  EXPECT_EQ(QRCodeErrorCorrectionLetter(-1), "");
}

TEST(QRCodeErrorEnum, CasesInOrderWithTheirNames) {
  const char* names[] = {"cannotGenerateQRCode",   "unableToConvertTextToRequestedEncoding",
                         "cannotGenerateImage",    "noGeneratorSet",
                         "noImageSet",             "cannotCreateGenerator",
                         "unsupportedGeneratorName", "unsupportedColor",
                         "invalidURL",             "invalidContent",
                         "cannotGenerateJSON",     "cannotGenerateImageBase64",
                         "invalidHexColorString"};
  for (int code = 0; code < 13; ++code) {
    const auto e = static_cast<QRCodeError>(code);
    EXPECT_EQ(caseName(e), names[code]);
    try {
      foundation::raise(e);
      ADD_FAILURE() << "raise returned";
    } catch (const foundation::Error& error) {
      EXPECT_EQ(error.domain(), "QRCodeError");
      EXPECT_EQ(error.code(), code);
      EXPECT_EQ(error.caseName(), names[code]);
      EXPECT_TRUE(error.is(e));
      EXPECT_FALSE(error.is(static_cast<QRCodeError>((code + 1) % 13)));
    }
  }
}

TEST(QRCodeErrorEnum, AttemptHandsTheErrorOnUnchanged) {
  std::optional<foundation::Error> error;
  const auto result = foundation::attempt(
      [] { return QRCode("", QRCode::ErrorCorrection::quartile).cellDimension(); }, &error);
  EXPECT_FALSE(result.has_value());
  ASSERT_TRUE(error.has_value());
  EXPECT_TRUE(error->is(QRCodeError::cannotGenerateImage));
}

TEST(SettingsKey, EveryKeyIsItsOwnName) {
  using K = QRCode::SettingsKey;
  const std::pair<std::string_view, const char*> rows[] = {
      {K::useRandomInset(), "useRandomInset"},
      {K::cornerRadiusFraction(), "cornerRadiusFraction"},
      {K::insetFraction(), "insetFraction"},
      {K::hasInnerCorners(), "hasInnerCorners"},
      {K::insetGeneratorName(), "insetGeneratorName"},
      {K::rotationFraction(), "rotationFraction"},
      {K::useRandomRotation(), "useRandomRotation"},
      {K::corners(), "corners"},
      {K::additionalQuietZonePixels(), "additionalQuietZonePixels"},
      {K::isFlipped(), "isFlipped"},
  };
  std::set<std::string_view> distinct;
  for (const auto& [key, text] : rows) {
    EXPECT_EQ(key, text);
    distinct.insert(key);
  }
  EXPECT_EQ(distinct.size(), 10u);
}

TEST(Content, HoldsBytesOrText) {
  const QRCode::Content empty;
  ASSERT_TRUE(empty.isData());
  EXPECT_TRUE(empty.dataValue()->empty());
  EXPECT_EQ(empty.textValue(), nullptr);

  const auto bytes = QRCode::Content::data({1, 2, 0, 255});
  ASSERT_TRUE(bytes.isData());
  EXPECT_FALSE(bytes.isText());
  EXPECT_EQ(*bytes.dataValue(), (foundation::Bytes{1, 2, 0, 255}));

  const auto text = QRCode::Content::text("héllo");
  ASSERT_TRUE(text.isText());
  EXPECT_EQ(text.dataValue(), nullptr);
  EXPECT_EQ(*text.textValue(), "héllo");

  EXPECT_NE(QRCode::Content::text("ab"), QRCode::Content::data(foundation::bytesOf("ab")));
  EXPECT_EQ(QRCode::Content::text("ab"), QRCode::Content::text("ab"));
}

TEST(DocumentFileType, Constants) {
  EXPECT_EQ(QRCode::EncodingExtension(), "qrjcode");
  EXPECT_EQ(QRCode::EncodingUTI(), "org.morvane.qrcode.encoding.qrjcode");
}

}  // namespace
