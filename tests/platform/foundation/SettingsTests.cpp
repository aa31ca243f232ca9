#include "platform/foundation/Settings.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace foundation;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct ReaderRow {
  const char* what;
  Settings value;
  std::optional<double> asDoubleResult;
  std::optional<bool> asBoolResult;
  std::optional<std::int64_t> asInt64Result;
  std::optional<std::uint64_t> asUInt64Result;
  std::optional<std::string> asStringResult;
};

}  // namespace

TEST(SettingsTest, SingleValueReaders) {
  using std::nullopt;
  const std::uint64_t big = 18446744073709551615ull;
  const ReaderRow rows[] = {
      {"integer", Settings(42), 42.0, true, 42, 42u, nullopt},
      {"negative integer", Settings(-3), -3.0, true, -3, nullopt, nullopt},
      {"zero", Settings(0), 0.0, false, 0, 0u, nullopt},
      {"unsigned max", Settings(big), 18446744073709551615.0, true, nullopt, big, nullopt},
      {"float", Settings(2.75), 2.75, true, 2, 2u, nullopt},
      {"negative float truncates", Settings(-2.75), -2.75, true, -2, nullopt, nullopt},
      {"small negative float", Settings(-0.5), -0.5, true, 0, 0u, nullopt},
      {"float zero", Settings(0.0), 0.0, false, 0, 0u, nullopt},
      {"tiny float is true", Settings(1e-300), 1e-300, true, 0, 0u, nullopt},
      {"true", Settings(true), 1.0, true, 1, 1u, nullopt},
      {"false", Settings(false), 0.0, false, 0, 0u, nullopt},
      {"float above int64", Settings(9.3e18), 9.3e18, true, nullopt, 9300000000000000000u, nullopt},
      {"float at 2^63", Settings(9223372036854775808.0), 9223372036854775808.0, true, nullopt,
       9223372036854775808u, nullopt},
      {"float at 2^64", Settings(18446744073709551616.0), 18446744073709551616.0, true, nullopt,
       nullopt, nullopt},
      {"float at -2^63", Settings(-9223372036854775808.0), -9223372036854775808.0, true,
       std::numeric_limits<std::int64_t>::min(), nullopt, nullopt},
      {"huge float", Settings(1e300), 1e300, true, nullopt, nullopt, nullopt},
      {"string number", Settings("12"), nullopt, nullopt, nullopt, nullopt, "12"},
      {"string true", Settings("true"), nullopt, nullopt, nullopt, nullopt, "true"},
      {"null", Settings(nullptr), nullopt, nullopt, nullopt, nullopt, nullopt},
      {"array", Settings::array({1}), nullopt, nullopt, nullopt, nullopt, nullopt},
      {"object", Settings::object({{"a", 1}}), nullopt, nullopt, nullopt, nullopt, nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DoubleValue(row.value), row.asDoubleResult) << row.what;
    EXPECT_EQ(BoolValue(row.value), row.asBoolResult) << row.what;
    EXPECT_EQ(IntValue(row.value), row.asInt64Result) << row.what;
    EXPECT_EQ(UIntValue(row.value), row.asUInt64Result) << row.what;
    EXPECT_EQ(StringValue(row.value), row.asStringResult) << row.what;
    // What a setter stores: the reader's value, or its fallback when the key is removed.
    const bool removed = row.value.is_null();
    EXPECT_EQ(settingValueOr(row.value, -7.5, DoubleValue), removed ? -7.5 : row.asDoubleResult) << row.what;
    EXPECT_EQ(settingValueOr(row.value, true, BoolValue), removed ? true : row.asBoolResult) << row.what;
  }
}

TEST(SettingsTest, NonFiniteFloatsGiveNoInteger) {
  for (const double v : {kNaN, kInf, -kInf}) {
    const Settings value(v);
    EXPECT_EQ(IntValue(value), std::nullopt) << v;
    EXPECT_EQ(UIntValue(value), std::nullopt) << v;
    ASSERT_TRUE(DoubleValue(value).has_value());
    EXPECT_EQ(std::isnan(*DoubleValue(value)), std::isnan(v));
    EXPECT_EQ(BoolValue(value), true) << v;  // any non-zero number
  }
}

TEST(SettingsReaders, NumbersAndFlags) {
  const Settings two(2), zero(0), text("true"), one("1"), yes(true), no(false), frac(2.9);
  EXPECT_EQ(BoolValue(two), true);
  EXPECT_EQ(BoolValue(zero), false);
  EXPECT_FALSE(BoolValue(text).has_value());
  EXPECT_FALSE(BoolValue(one).has_value());
  EXPECT_EQ(BoolValue(Settings(0.0)), false);
  EXPECT_EQ(BoolValue(Settings(-0.5)), true);
  EXPECT_EQ(DoubleValue(yes), 1.0);
  EXPECT_EQ(DoubleValue(no), 0.0);
  EXPECT_EQ(CGFloatValue(frac), 2.9);
  EXPECT_EQ(IntValue(frac), 2);
  EXPECT_EQ(IntValue(Settings(-2.9)), -2);
  EXPECT_EQ(UIntValue(frac), 2u);
  EXPECT_EQ(IntValue(yes), 1);
  EXPECT_FALSE(DoubleValue(one).has_value());
  EXPECT_FALSE(IntValue(one).has_value());
  EXPECT_FALSE(DoubleValue(nullptr).has_value());
  EXPECT_FALSE(BoolValue(nullptr).has_value());
  EXPECT_FALSE(IntValue(nullptr).has_value());
  EXPECT_FALSE(UIntValue(nullptr).has_value());
  EXPECT_FALSE(DoubleValue(Settings()).has_value());  // JSON null
  EXPECT_FALSE(DoubleValue(Settings::array({1})).has_value());
  EXPECT_FALSE(DoubleValue(Settings::object()).has_value());
}

TEST(SettingsReaders, IntegerReadsAreRangeChecked) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Row { double value; std::optional<std::int64_t> asInt; std::optional<std::uint64_t> asUInt; };
  const Row rows[] = {
      {nan, std::nullopt, std::nullopt},
      {inf, std::nullopt, std::nullopt},
      {-inf, std::nullopt, std::nullopt},
      {9223372036854775808.0, std::nullopt, 9223372036854775808ull},  // 2^63
      {-9223372036854775808.0, std::numeric_limits<std::int64_t>::min(), std::nullopt},
      {-9223372036854777856.0, std::nullopt, std::nullopt},  // next double below -2^63
      {18446744073709551616.0, std::nullopt, std::nullopt},  // 2^64
      {1e300, std::nullopt, std::nullopt},
      {-1.0, -1, std::nullopt},
      {-0.5, 0, 0u},
      {4503599627370497.0, 4503599627370497, 4503599627370497ull},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    const Settings v(row.value);
    EXPECT_EQ(IntValue(v), row.asInt);
    EXPECT_EQ(UIntValue(v), row.asUInt);
  }
  EXPECT_FALSE(IntValue(Settings(std::uint64_t(0xFFFFFFFFFFFFFFFFull))).has_value());
  EXPECT_EQ(UIntValue(Settings(std::uint64_t(0xFFFFFFFFFFFFFFFFull))), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_FALSE(UIntValue(Settings(std::int64_t(-3))).has_value());
  EXPECT_EQ(IntValue(Settings(std::int64_t(-3))), -3);
  // NaN is a number: a flag, never an integer.
  EXPECT_EQ(BoolValue(Settings(nan)), true);
  EXPECT_TRUE(std::isnan(*DoubleValue(Settings(nan))));
}

TEST(SettingsReaders, ReadingFromADictionary) {
  const Settings dict = Settings::parse(R"({"a": 1.5, "b": true, "c": "x", "d": 7})");
  EXPECT_EQ(DoubleValue(find(dict, "a")), 1.5);
  EXPECT_EQ(BoolValue(find(dict, "b")), true);
  EXPECT_FALSE(DoubleValue(find(dict, "c")).has_value());
  EXPECT_EQ(UIntValue(find(dict, "d")), 7u);
  EXPECT_FALSE(IntValue(find(dict, "missing")).has_value());
}

TEST(SettingsTest, ValuesUnderKeys) {
  const auto dict = readJSON(R"({"size": 12.9, "count": "7", "flag": 2, "off": 0,
      "name": "qr", "nested": {"x": 1}, "list": [1, 2], "nothing": null})");
  ASSERT_TRUE(dict.has_value());
  EXPECT_EQ(doubleValue(*dict, "size"), 12.9);
  EXPECT_EQ(int64Value(*dict, "size"), 12);
  EXPECT_EQ(uint64Value(*dict, "size"), 12u);
  EXPECT_EQ(doubleValue(*dict, "count"), std::nullopt);  // text never counts as a number
  EXPECT_EQ(int64Value(*dict, "count"), std::nullopt);
  EXPECT_EQ(boolValue(*dict, "count"), std::nullopt);
  EXPECT_EQ(stringValue(*dict, "count"), "7");
  EXPECT_EQ(boolValue(*dict, "flag"), true);
  EXPECT_EQ(boolValue(*dict, "off"), false);
  EXPECT_EQ(stringValue(*dict, "name"), "qr");
  EXPECT_EQ(stringValue(*dict, "size"), std::nullopt);
  EXPECT_EQ(doubleValue(*dict, "missing"), std::nullopt);
  EXPECT_EQ(doubleValue(*dict, "nothing"), std::nullopt);
  ASSERT_NE(find(*dict, "nothing"), nullptr);
  EXPECT_TRUE(find(*dict, "nothing")->is_null());
  EXPECT_EQ(find(*dict, "missing"), nullptr);

  const Settings* nested = objectValue(*dict, "nested");
  ASSERT_NE(nested, nullptr);
  EXPECT_EQ(int64Value(*nested, "x"), 1);
  EXPECT_EQ(objectValue(*dict, "list"), nullptr);
  const Settings* list = arrayValue(*dict, "list");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->size(), 2u);
  EXPECT_EQ(arrayValue(*dict, "nested"), nullptr);
}

TEST(SettingsTest, ReadersOnNonObjectsGiveNone) {
  for (const Settings& notADict : {Settings(nullptr), Settings(3), Settings("x"), Settings::array({1, 2})}) {
    EXPECT_EQ(find(notADict, "0"), nullptr);
    EXPECT_EQ(doubleValue(notADict, "0"), std::nullopt);
    EXPECT_EQ(stringValue(notADict, "0"), std::nullopt);
    EXPECT_EQ(objectValue(notADict, "0"), nullptr);
  }
}

TEST(SettingsTest, IntegersOutOfRangeInJSON) {
  const auto dict = readJSON(R"({"big": 18446744073709551615, "neg": -9223372036854775808,
      "huge": 1e30, "over": 18446744073709551616})");
  ASSERT_TRUE(dict.has_value());
  EXPECT_EQ(int64Value(*dict, "big"), std::nullopt);
  EXPECT_EQ(uint64Value(*dict, "big"), 18446744073709551615ull);
  EXPECT_EQ(int64Value(*dict, "neg"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(uint64Value(*dict, "neg"), std::nullopt);
  EXPECT_EQ(int64Value(*dict, "huge"), std::nullopt);
  EXPECT_EQ(uint64Value(*dict, "huge"), std::nullopt);
  EXPECT_EQ(doubleValue(*dict, "huge"), 1e30);
  EXPECT_EQ(uint64Value(*dict, "over"), std::nullopt);  // read as a float, 2^64
}

TEST(SettingsTest, WriteJSONRefusesNonFiniteNumbers) {
  Settings dict = Settings::object();
  dict["b"] = 1.5;
  dict["a"] = Settings::array({1, "two", Settings::object({{"x", 0.25}})});
  const auto text = writeJSON(dict);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, R"({"a":[1,"two",{"x":0.25}],"b":1.5})");  // sorted keys, compact

  const auto indented = writeJSON(Settings::object({{"k", 1}}), 2);
  ASSERT_TRUE(indented.has_value());
  EXPECT_EQ(*indented, "{\n  \"k\": 1\n}");

  for (const double bad : {kNaN, kInf, -kInf}) {
    Settings deep = dict;
    deep["a"][2]["x"] = bad;
    EXPECT_TRUE(containsNonFinite(deep));
    EXPECT_EQ(writeJSON(deep), std::nullopt);
    EXPECT_EQ(writeJSON(Settings(bad)), std::nullopt);
  }
  EXPECT_FALSE(containsNonFinite(dict));
}

TEST(SettingsTest, WriteJSONReplacesInvalidUTF8) {
  const auto text = writeJSON(Settings(std::string("a\xff" "b")));
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, "\"a\xef\xbf\xbd" "b\"");
}

TEST(SettingsTest, ReadJSONNeverThrows) {
  const std::string bad[] = {
      "",
      "{",
      "{\"a\": }",
      "[1, 2,]",
      "{\"a\": NaN}",
      "{\"a\": Infinity}",
      "nul",
      "\"\xff\"",  // invalid UTF-8 inside a string
      "{\"a\": 1} trailing",
      "/* comment */ {}",
      std::string(100000, '['),
      std::string(100000, '[') + std::string(100000, ']'),
  };
  for (const auto& text : bad) {
    std::optional<Settings> result;
    EXPECT_NO_THROW(result = readJSON(text)) << text.substr(0, 20);
    EXPECT_EQ(result, std::nullopt) << text.substr(0, 20);
  }
  // Moderate nesting and brackets inside strings are fine.
  const std::string nested = std::string(100, '[') + std::string(100, ']');
  EXPECT_TRUE(readJSON(nested).has_value());
  const auto quoted = readJSON(R"({"text": "[[[[{{{{\"]]"})");
  ASSERT_TRUE(quoted.has_value());
  EXPECT_EQ(stringValue(*quoted, "text"), "[[[[{{{{\"]]");
}

TEST(SettingsTest, RoundTripThroughText) {
  const auto dict = readJSON(R"({"z": [0.1, -2, 3e-7], "a": {"q": "\u00e9"}, "m": true})");
  ASSERT_TRUE(dict.has_value());
  const auto text = writeJSON(*dict);
  ASSERT_TRUE(text.has_value());
  const auto again = readJSON(*text);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(*again, *dict);
  EXPECT_EQ(text->find("\"a\""), 1u);  // keys come out sorted
}

TEST(SettingsTest, ReadJSONNestsExactlyToTheDocumentedDepth) {
  // The reader's documented limit: arrays and objects nested 512 deep.
  const struct {
    int depth;
    bool read;
  } cases[] = {{511, true}, {512, true}, {513, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.depth);
    const auto depth = static_cast<std::size_t>(c.depth);
    // Arrays alone, and objects alternating with arrays ({"a": [{"a": [...]}]}).
    const std::string arrays = std::string(depth, '[') + std::string(depth, ']');
    std::string mixed, closing;
    for (std::size_t i = 0; i < depth; ++i) {
      mixed += i % 2 ? "[" : "{\"a\": ";
      closing = (i % 2 ? "]" : "}") + closing;
    }
    mixed += "1" + closing;
    const std::optional<Settings> a = readJSON(arrays), m = readJSON(mixed);
    EXPECT_EQ(a.has_value(), c.read);
    EXPECT_EQ(m.has_value(), c.read);
    if (m) {
      // Every level is there: walk down to the innermost value.
      const Settings* v = &*m;
      for (std::size_t i = 0; i < depth && v; ++i)
        v = i % 2 ? (v->is_array() && v->size() == 1 ? &v->front() : nullptr) : find(*v, "a");
      ASSERT_NE(v, nullptr);
      EXPECT_EQ(*v, Settings(1));
    }
  }
}
