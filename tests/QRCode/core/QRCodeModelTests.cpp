#include <gtest/gtest.h>

#include <barrier>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include "QRCode/QRCode+Core.hpp"
#include "support/Decode.hpp"

namespace {

using EC = QRCode::ErrorCorrection;

bool raises(QRCodeError expected, auto&& fn) {
  try {
    fn();
  } catch (const foundation::Error& e) {
    return e.is(expected);
  }
  return false;
}

// An engine that counts its calls and can be told to fail.
class CountingEngine : public QRCodeEngine {
 public:
  int dataCalls = 0, textCalls = 0, lastLevel = -1;
  bool fail = false;
  std::string name() const override { return "counting"; }
  QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t> data, int level) override {
    ++dataCalls;
    lastLevel = level;
    if (fail) foundation::raise(QRCodeError::cannotGenerateQRCode);
    return QRCodeBoolMatrix(static_cast<std::int64_t>(data.size()) + 3);
  }
  QRCodeBoolMatrix generateWithText(std::string_view text, int level) override {
    ++textCalls;
    lastLevel = level;
    if (fail) foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding);
    return QRCodeBoolMatrix(static_cast<std::int64_t>(text.size()) + 5);
  }
};

class Message : public QRCodeMessageFormatter {
 public:
  foundation::Bytes data() const override { return foundation::bytesOf("MSG:data"); }
  std::optional<std::string> text() const override { return "ignored text"; }
};

TEST(QRCodeModel, PlainInitialiser) {
  const QRCode code;
  EXPECT_EQ(code.cellDimension(), 0);
  EXPECT_EQ(code.boolMatrix()->description(), "");
  EXPECT_EQ(code.currentErrorCorrection(), EC::quartile);
  EXPECT_EQ(code.engine()->name(), "coreimage");
  EXPECT_FALSE(std::isfinite(code.cellSizeForImageDimension(300)));
}

TEST(QRCodeModel, InitialiserWithExternalEngineHoldsTheSmallestSymbol) {
  const QRCode code(std::make_shared<QRCodeEngineExternal>());
  EXPECT_EQ(code.cellDimension(), 23);
  EXPECT_EQ(code.engine()->name(), "external");
  EXPECT_TRUE(raises(QRCodeError::cannotGenerateImage,
                     [] { QRCode code(std::make_shared<QRCodeEngineCoreImage>()); }));
}

TEST(QRCodeModel, GeneratesFromTextDataAndMessage) {
  const std::string url = "https://example.org/share/42";
  const QRCode fromText(url, EC::medium);
  EXPECT_EQ(fromText.currentErrorCorrection(), EC::medium);
  const DecodeResults r = decodeBoth(matrixImage(*fromText.boolMatrix()));
  ASSERT_EQ(r.zxing.size(), 1u);
  EXPECT_EQ(r.zxing[0], url);
  ASSERT_EQ(r.zbar.size(), 1u);
  EXPECT_EQ(r.zbar[0], url);

  const QRCode fromData(foundation::bytesOf(url), EC::medium);
  EXPECT_EQ(*fromData.boolMatrix(), *fromText.boolMatrix());

  const QRCode fromMessage(Message(), EC::high, std::make_shared<QRCodeEngineExternal>());
  const DecodeResults m = decodeBoth(matrixImage(*fromMessage.boolMatrix()));
  ASSERT_EQ(m.zxing.size(), 1u);
  EXPECT_EQ(m.zxing[0], "MSG:data");  // the message's data, not its text
}

TEST(QRCodeModel, ContentGoesToTheMatchingEngineOperation) {
  auto engine = std::make_shared<CountingEngine>();
  QRCode code;
  code.setEngine(engine);
  code.update(QRCode::Content::text("abc"), EC::low);
  EXPECT_EQ(engine->textCalls, 1);
  EXPECT_EQ(engine->lastLevel, 0);
  EXPECT_EQ(code.cellDimension(), 8);
  code.update(QRCode::Content::data({1, 2}), EC::high);
  EXPECT_EQ(engine->dataCalls, 1);
  EXPECT_EQ(engine->lastLevel, 3);
  EXPECT_EQ(code.cellDimension(), 5);
  EXPECT_EQ(code.currentErrorCorrection(), EC::high);
  code.updateWithMessage(Message(), EC::medium);
  EXPECT_EQ(engine->dataCalls, 2);
  EXPECT_EQ(engine->textCalls, 1);
}

TEST(QRCodeModel, FailedUpdateChangesNothing) {
  auto engine = std::make_shared<CountingEngine>();
  QRCode code("hello", EC::low, engine);
  const auto before = code.boolMatrix();
  engine->fail = true;
  EXPECT_TRUE(raises(QRCodeError::unableToConvertTextToRequestedEncoding,
                     [&] { code.updateWithText("other", EC::high); }));
  EXPECT_TRUE(raises(QRCodeError::cannotGenerateQRCode,
                     [&] { code.updateWithData(foundation::bytesOf("x"), EC::high); }));
  EXPECT_EQ(code.boolMatrix(), before);
  EXPECT_EQ(code.cellDimension(), 10);
  EXPECT_EQ(code.currentErrorCorrection(), EC::low);

  QRCode real("keep me", EC::medium);
  const auto kept = real.boolMatrix();
  EXPECT_TRUE(raises(QRCodeError::cannotGenerateImage,
                     [&] { real.updateWithText(std::string(3000, 'z'), EC::high); }));
  EXPECT_EQ(real.boolMatrix(), kept);
  EXPECT_EQ(real.currentErrorCorrection(), EC::medium);
}

TEST(QRCodeModel, CopyKeepsEngineLevelAndSharesTheMatrix) {
  const QRCode source("copy me", EC::high, std::make_shared<QRCodeEngineExternal>());
  const QRCode copy = source.copy();
  EXPECT_EQ(copy.engine()->name(), "external");
  EXPECT_NE(copy.engine(), source.engine());  // an engine of its own, of the same kind
  EXPECT_EQ(copy.currentErrorCorrection(), EC::high);
  EXPECT_EQ(copy.boolMatrix().get(), source.boolMatrix().get());
  QRCode assigned;
  assigned = source;
  EXPECT_EQ(assigned.currentErrorCorrection(), EC::high);
  EXPECT_EQ(assigned.engine()->name(), "external");
  EXPECT_NE(assigned.engine(), source.engine());

  // Regenerating the copy leaves the source's matrix alone.
  QRCode other = source.copy();
  other.updateWithText("different", EC::low);
  EXPECT_NE(other.boolMatrix().get(), source.boolMatrix().get());
  EXPECT_EQ(source.currentErrorCorrection(), EC::high);
}

// Each copy has an engine of its own: no copy ever encodes the other's text.
TEST(QRCodeModel, CopiesRegenerateOnTwoThreadsLikeFreshCodes) {
  const QRCode source("source", EC::high);
  QRCode copies[2] = {source.copy(), source};
  std::vector<std::shared_ptr<const QRCodeBoolMatrix>> made[2];
  auto text = [](int side, int i) { return std::to_string(i).append(i % 60, side ? 'y' : 'x'); };
  std::barrier together(2);  // both copies regenerate at the same moment
  auto run = [&](int side) {
    for (int i = 0; i < 3000; ++i) {
      together.arrive_and_wait();
      copies[side].updateWithText(text(side, i), EC::high);
      made[side].push_back(copies[side].boolMatrix());
    }
  };
  { std::jthread other(run, 1); run(0); }
  int wrong = 0;
  for (int side = 0; side < 2; ++side)
    for (int i = 0; i < 3000; ++i) wrong += !(*made[side][i] == *QRCode(text(side, i), EC::high).boolMatrix());
  EXPECT_EQ(wrong, 0);
}

TEST(QRCodeModel, SetEngineDoesNotRegenerate) {
  QRCode code("abc", EC::quartile);
  const auto before = code.boolMatrix();
  code.setEngine(std::make_shared<QRCodeEngineExternal>());
  EXPECT_EQ(code.boolMatrix(), before);
  EXPECT_EQ(code.engine()->name(), "external");
  code.setEngine(nullptr);
  EXPECT_EQ(code.engine()->name(), "coreimage");
}

TEST(QRCodeModel, CellSize) {
  QRCode code;
  code.setEngine(std::make_shared<CountingEngine>());
  code.updateWithData(std::vector<std::uint8_t>(22, 0), EC::low);  // dimension 25
  EXPECT_EQ(code.cellDimension(), 25);
  EXPECT_EQ(code.cellSizeForImageDimension(300), 12.0);
  EXPECT_EQ(code.cellSizeForImageDimension(100), 4.0);
}

TEST(QRCodeModel, CanGenerateChecks) {
  const auto external = std::make_shared<QRCodeEngineExternal>();
  EXPECT_TRUE(QRCode::canGenerateQRCodeWithText("", EC::quartile, external));
  EXPECT_FALSE(QRCode::canGenerateQRCodeWithText("", EC::quartile));
  EXPECT_TRUE(QRCode::canGenerateQRCodeWithText("x", EC::quartile));
  EXPECT_FALSE(QRCode::canGenerateQRCodeWithText("\xFF", EC::quartile, external));
  const std::vector<std::uint8_t> big(3000, 1);
  EXPECT_FALSE(QRCode::canGenerateQRCodeWithData(big, EC::high, external));
  EXPECT_FALSE(QRCode::canGenerateQRCodeWithData(big, EC::high));
  const std::vector<std::uint8_t> max(2953, 1);
  EXPECT_TRUE(QRCode::canGenerateQRCodeWithData(max, EC::low));
  EXPECT_TRUE(QRCode::canGenerateQRCodeWithData(max, EC::low, external));
}

TEST(QRCodeModel, LevelOutsideTheEnumerationIsRefused) {
  const auto bad = static_cast<EC>(5);
  EXPECT_TRUE(raises(QRCodeError::cannotGenerateImage, [&] { QRCode code("abc", bad); }));
  EXPECT_TRUE(raises(QRCodeError::cannotGenerateQRCode,
                     [&] { QRCode code("abc", bad, std::make_shared<QRCodeEngineExternal>()); }));
}

}  // namespace
