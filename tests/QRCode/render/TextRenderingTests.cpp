// The two text pictures of a matrix: exact texts of small matrices, line shapes, and a real
// code read back from its text and decoded with ZXing and zbar.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/render/QRCodeTextRenderings.hpp"
#include "support/Decode.hpp"
#include "support/FixedEngine.hpp"

namespace {

const std::string kFull = "\u2588";   // both on / full form
const std::string kUpper = "\u2580";  // top only
const std::string kLower = "\u2584";  // bottom only

// A matrix from rows of '#' (on) and '.' (off).
QRCodeBoolMatrix matrixOf(const std::vector<std::string>& rows) {
  const auto n = static_cast<std::int64_t>(rows.size());
  QRCodeBoolMatrix m(n);
  for (std::int64_t r = 0; r < n; ++r)
    for (std::int64_t c = 0; c < n; ++c) m.setValue(r, c, rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] == '#');
  return m;
}

QRCode codeOf(std::vector<std::string> rows) {
  return QRCode("x", QRCode::ErrorCorrection::low, std::make_shared<testsupport::FixedEngine>(matrixOf(rows)));
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (auto lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  EXPECT_EQ(start, text.size()) << "every line ends with a line feed";
  return lines;
}

// The characters of a line, each a whole UTF-8 sequence.
std::vector<std::string> charactersOf(const std::string& line) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xE0 ? 3 : 2;
    chars.push_back(line.substr(i, length));
    i += length;
  }
  return chars;
}

TEST(TextRenderings, EmptyMatrixGivesEmptyText) {
  const QRCode empty;
  EXPECT_EQ(qrrender::asciiRepresentation(empty), "");
  EXPECT_EQ(qrrender::smallAsciiRepresentation(empty), "");
  EXPECT_EQ(qrrender::asciiRepresentation(QRCodeBoolMatrix()), "");
}

TEST(TextRenderings, OneModule) {
  EXPECT_EQ(qrrender::asciiRepresentation(codeOf({"#"})), kFull + kFull + "\n");
  EXPECT_EQ(qrrender::smallAsciiRepresentation(codeOf({"#"})), kUpper + "\n");
  EXPECT_EQ(qrrender::asciiRepresentation(codeOf({"."})), "  \n");
  EXPECT_EQ(qrrender::smallAsciiRepresentation(codeOf({"."})), " \n");
}

TEST(TextRenderings, ExactTextsOfSmallMatrices) {
  struct Case {
    std::vector<std::string> rows;
    std::string full;
    std::string compact;
  };
  const std::string on = kFull + kFull;
  const Case cases[] = {
      // Every pairing of top and bottom modules in one line, then an all-off pair.
      {{"##..", "#.#.", "....", "...."},
       on + on + "    \n" + on + "  " + on + "  \n" + "        \n" + "        \n",
       kFull + kUpper + kLower + " \n" + "    \n"},
      // Odd dimension: the last line shows the last row alone, upper halves and spaces.
      {{"#.#", ".##", "#.."},
       on + "  " + on + "\n" + "  " + on + on + "\n" + on + "    \n",
       kUpper + kLower + kFull + "\n" + kUpper + "  \n"},
      {{"..", ".#"}, "    \n  " + on + "\n", " " + kLower + "\n"},
  };
  for (const auto& c : cases) {
    const QRCode qr = codeOf(c.rows);
    EXPECT_EQ(qrrender::asciiRepresentation(qr), c.full) << c.rows[0];
    EXPECT_EQ(qrrender::smallAsciiRepresentation(qr), c.compact) << c.rows[0];
    // The matrix forms give the same texts.
    EXPECT_EQ(qrrender::asciiRepresentation(*qr.boolMatrix()), c.full);
    EXPECT_EQ(qrrender::smallAsciiRepresentation(*qr.boolMatrix()), c.compact);
  }
}

TEST(TextRenderings, LineCountsAndWidths) {
  for (const std::string& text :
       std::vector<std::string>{"a", "https://vidlumen.example.com/wallpaper/aurora", std::string(300, 'q')}) {
    const QRCode qr(text, QRCode::ErrorCorrection::medium);
    const auto n = static_cast<std::size_t>(qr.cellDimension());
    const auto full = linesOf(qrrender::asciiRepresentation(qr));
    ASSERT_EQ(full.size(), n);
    for (const auto& line : full) EXPECT_EQ(charactersOf(line).size(), 2 * n);
    const auto compact = linesOf(qrrender::smallAsciiRepresentation(qr));
    ASSERT_EQ(compact.size(), (n + 1) / 2);
    for (const auto& line : compact) EXPECT_EQ(charactersOf(line).size(), n);
    // Odd dimension (every symbol with its border ring): the last compact line has no
    // lower halves or full blocks.
    ASSERT_EQ(n % 2, 1u);
    for (const auto& ch : charactersOf(compact.back())) EXPECT_TRUE(ch == kUpper || ch == " ");
  }
}

// Reads a text picture back into cells and decodes them as a code.
TEST(TextRenderings, TextPicturesReadBackAsTheCode) {
  const std::string url = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";
  const QRCode qr(url, QRCode::ErrorCorrection::quartile);
  const auto n = static_cast<std::size_t>(qr.cellDimension());

  const auto full = linesOf(qrrender::asciiRepresentation(qr));
  QRCodeBoolMatrix fromFull(static_cast<std::int64_t>(n));
  for (std::size_t r = 0; r < full.size(); ++r) {
    const auto chars = charactersOf(full[r]);
    for (std::size_t c = 0; c < n; ++c) {
      EXPECT_EQ(chars[2 * c], chars[2 * c + 1]);
      fromFull.setValue(static_cast<std::int64_t>(r), static_cast<std::int64_t>(c), chars[2 * c] == kFull);
    }
  }
  EXPECT_EQ(fromFull, *qr.boolMatrix());

  const auto compact = linesOf(qrrender::smallAsciiRepresentation(qr));
  QRCodeBoolMatrix fromCompact(static_cast<std::int64_t>(n));
  for (std::size_t line = 0; line < compact.size(); ++line) {
    const auto chars = charactersOf(compact[line]);
    for (std::size_t c = 0; c < n; ++c) {
      const auto r = static_cast<std::int64_t>(2 * line);
      const auto col = static_cast<std::int64_t>(c);
      fromCompact.setValue(r, col, chars[c] == kFull || chars[c] == kUpper);
      fromCompact.setValue(r + 1, col, chars[c] == kFull || chars[c] == kLower);
    }
  }
  EXPECT_EQ(fromCompact, *qr.boolMatrix());

  const DecodeResults decoded = decodeBoth(matrixImage(fromCompact));
  EXPECT_EQ(decoded.zxing, std::vector<std::string>{url});
  EXPECT_EQ(decoded.zbar, std::vector<std::string>{url});
}

}  // namespace
