#include "platform/foundation/Numbers.hpp"
#include "support/TestFolder.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <unistd.h>

using namespace foundation;

namespace {

struct FormatRow {
  const char* formatter;  // "shortest" or "fixed"
  double value;
  int digits;             // fixed only
  const char* expected;
};

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

const std::vector<FormatRow>& formatRows() {
  static const std::vector<FormatRow> rows = {
      {"shortest", 1.0, 0, "1.0"},
      {"shortest", 0.8, 0, "0.8"},
      {"shortest", 0.00001, 0, "1e-05"},
      {"shortest", 9007199254740992.0, 0, "9007199254740992.0"},  // 2^53
      {"shortest", 1e21, 0, "1e+21"},
      {"shortest", 0.0, 0, "0.0"},
      {"shortest", -0.0, 0, "-0.0"},
      {"shortest", -2.5, 0, "-2.5"},
      {"shortest", 0.1 + 0.2, 0, "0.30000000000000004"},
      {"shortest", 0.0001, 0, "0.0001"},                 // the last fixed value below 1
      {"shortest", 0.000099, 0, "9.9e-05"},
      {"shortest", 18014398509481984.0, 0, "18014398509481984.0"},     // 2^54 itself
      {"shortest", 18014398509481988.0, 0, "1.8014398509481988e+16"},  // just above 2^54
      {"shortest", 18014398509481982.0, 0, "18014398509481982.0"},     // just below 2^54
      {"shortest", 123456.75, 0, "123456.75"},
      {"shortest", 1.5e-300, 0, "1.5e-300"},
      {"shortest", 1e100, 0, "1e+100"},
      {"shortest", kNaN, 0, "nan"},
      {"shortest", kInf, 0, "inf"},
      {"shortest", -kInf, 0, "-inf"},
      {"fixed", 0.0125, 3, "0.012"},   // printf: 0.013
      {"fixed", 2.0005, 3, "2"},       // printf: 2.001
      {"fixed", 0.0005, 3, "0"},
      {"fixed", 0.0015, 3, "0.002"},   // half to even, upwards
      {"fixed", 0.00051, 3, "0.001"},  // above the half
      {"fixed", 1234.5, 3, "1234.5"},
      {"fixed", 1e21, 3, "1000000000000000000000"},
      {"fixed", -1.78e-15, 3, "0"},
      {"fixed", -0.0, 3, "0"},
      {"fixed", -0.0004, 3, "0"},
      {"fixed", -12.3456, 3, "-12.346"},
      {"fixed", 9.9995, 3, "10"},      // the carry runs into the integer part
      {"fixed", 999.9996, 3, "1000"},
      {"fixed", 0.5, 0, "0"},          // half to even at zero digits
      {"fixed", 1.5, 0, "2"},
      {"fixed", 2.5, 0, "2"},
      {"fixed", 0.123456789, 4, "0.1235"},
      {"fixed", 0.25, 4, "0.25"},
      {"fixed", 100.0, 4, "100"},
      {"fixed", 1e-7, 4, "0"},
      {"fixed", 0.5, 3, "0.5"},
      {"fixed", kNaN, 3, "nan"},
      {"fixed", -kInf, 3, "-inf"},
  };
  return rows;
}

std::string format(const FormatRow& row) {
  return std::string(row.formatter) == "shortest" ? shortestString(row.value)
                                                  : fixedString(row.value, row.digits);
}

void checkFormatTable() {
  for (const auto& row : formatRows()) {
    EXPECT_EQ(format(row), row.expected)
        << row.formatter << "(" << row.value << ", " << row.digits << ")";
  }
}

// Switches the process to a comma-decimal locale, building one with localedef into the
// test's own folder when none is installed. Restores the C locale when destroyed.
class CommaLocale {
 public:
  CommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) && isComma()) {
        active_ = true;
        return;
      }
    }
    dir_ = testsupport::testFolder().string();
    const std::string command = "localedef -i de_DE -f UTF-8 '" + dir_ + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 && !std::filesystem::exists(dir_ + "/de_DE.UTF-8/LC_NUMERIC"))
      return;
    setenv("LOCPATH", dir_.c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") && isComma()) active_ = true;
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, "C");
    if (!dir_.empty()) unsetenv("LOCPATH");
  }
  bool active() const { return active_; }

 private:
  static bool isComma() {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    return std::string(buffer) == "1,5";
  }
  bool active_ = false;
  std::string dir_;
};

}  // namespace

TEST(NumbersTest, FormatTable) { checkFormatTable(); }

TEST(NumbersTest, ShortestFormRoundTrips) {
  const double values[] = {0.1, 1.0 / 3, 2.0 / 3, 1e-5, 123.456e10, 5e-324, 1.7976931348623157e308,
                           -7.25, 0.000123, 4.35, 1e15 + 0.3};
  for (const double v : values) {
    const std::string text = shortestString(v);
    const auto back = parseDouble(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_EQ(*back, v) << text;
    EXPECT_TRUE(text.find('.') != std::string::npos || text.find('e') != std::string::npos) << text;
  }
}

TEST(NumbersTest, SameResultsUnderACommaDecimalLocale) {
  CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no comma-decimal locale can be installed or built here";
  checkFormatTable();
  EXPECT_EQ(parseDouble("1.5"), 1.5);
  EXPECT_EQ(parseDouble("1,5"), std::nullopt);
  std::size_t consumed = 0;
  EXPECT_EQ(readDouble("2.25,7", &consumed), 2.25);
  EXPECT_EQ(consumed, 4u);
}

namespace {
struct ReadRow {
  const char* text;
  std::optional<double> value;  // none: not a number
  std::size_t consumed;
};
}  // namespace

TEST(NumbersTest, ReadDoubleTable) {
  const ReadRow rows[] = {
      {"1", 1.0, 1},
      {"+1", 1.0, 2},
      {"-2.5", -2.5, 4},
      {"  7", 7.0, 3},
      {".5", 0.5, 2},
      {"5.", 5.0, 2},
      {"1e3", 1000.0, 3},
      {"1E-2x", 0.01, 4},
      {"1e", 1.0, 1},
      {"0x1p-3", 0.125, 6},
      {"0X10", 16.0, 4},
      {"0x", 0.0, 1},
      {"inf", std::numeric_limits<double>::infinity(), 3},
      {"-Infinity", -std::numeric_limits<double>::infinity(), 9},
      {"INFINITE", std::numeric_limits<double>::infinity(), 3},
      {"12abc", 12.0, 2},
      {"1,5", 1.0, 1},
      {"", std::nullopt, 0},
      {"abc", std::nullopt, 0},
      {"-", std::nullopt, 0},
      {" ", std::nullopt, 0},
      {"+.", std::nullopt, 0},
  };
  for (const auto& row : rows) {
    std::size_t consumed = 99;
    const auto value = readDouble(row.text, &consumed);
    EXPECT_EQ(value, row.value) << '"' << row.text << '"';
    EXPECT_EQ(consumed, row.consumed) << '"' << row.text << '"';
  }
}

TEST(NumbersTest, ReadDoubleNaNInAnyCase) {
  for (const char* text : {"nan", "NaN", "NAN", "-nan", "nan(123)"}) {
    const auto value = readDouble(text);
    ASSERT_TRUE(value.has_value()) << text;
    EXPECT_TRUE(std::isnan(*value)) << text;
  }
}

TEST(NumbersTest, ReadDoubleStopsAtAnEmbeddedNul) {
  std::size_t consumed = 0;
  const std::string text("12\0" "34", 5);
  EXPECT_EQ(readDouble(text, &consumed), 12.0);
  EXPECT_EQ(consumed, 2u);
  EXPECT_EQ(parseDouble(text), std::nullopt);
}

TEST(NumbersTest, ParseDoubleWantsTheWholeText) {
  EXPECT_EQ(parseDouble(" 3.5 "), 3.5);
  EXPECT_EQ(parseDouble("+0x1p-3"), 0.125);
  EXPECT_EQ(parseDouble("3.5px"), std::nullopt);
  EXPECT_EQ(parseDouble("3 4"), std::nullopt);
  EXPECT_EQ(parseDouble(""), std::nullopt);
  EXPECT_EQ(parseDouble("1e400"), std::numeric_limits<double>::infinity());
}

TEST(NumbersTest, ReadDoubleScansALongText) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += (i % 2 ? " +" : " ") + std::to_string(i) + ".5";
  std::string_view rest = text;
  double sum = 0;
  int count = 0;
  std::size_t consumed = 0;
  while (const auto value = readDouble(rest, &consumed)) {
    sum += *value;
    ++count;
    rest.remove_prefix(consumed);
  }
  EXPECT_EQ(count, 20000);
  EXPECT_EQ(sum, 20000.0 * 19999 / 2 + 10000);
  EXPECT_TRUE(rest.empty());

  // A number longer than any small buffer.
  const std::string tiny = "0." + std::string(300, '0') + "1e300";
  EXPECT_EQ(parseDouble(tiny), 1e-1);
  EXPECT_EQ(parseDouble(std::string(200, '9')), 1e200);
}
