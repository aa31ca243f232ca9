#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <iomanip>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "QRCode/QRCode+Core.hpp"
#include "platform/foundation/Numbers.hpp"

namespace {

using Corners = QRCode::Corners;
using foundation::Settings;
using gfx::Path;
using gfx::PathElementType;

Path parsed(const char* text) {
  const std::optional<Path> p = Path::parse(text);
  EXPECT_TRUE(p.has_value()) << text;
  return p.value_or(Path());
}

bool raises(PathCodingError expected, auto&& fn) {
  try {
    fn();
  } catch (const foundation::Error& e) {
    return e.is(expected);
  }
  return false;
}

// --- rounded rectangle --------------------------------------------------------------------

TEST(RoundedRect, WorkedExample) {
  const Path p = qrcore::roundedRect(gfx::Rect(0, 0, 90, 90),
                             Corners{Corners::topLeft, Corners::topRight, Corners::bottomLeft}, 30);
  EXPECT_EQ(p, parsed("M 30,0; L 60,0; C 90,0 90,30 90,30; L 90,60; C 90,90 60,90 60,90; "
                      "L 0,90; L 0,30; C 0,0 30,0 30,0; Z."))
      << p.description();
}

TEST(RoundedRect, RadiusZeroGivesASquare) {
  const Path p = qrcore::roundedRect(gfx::Rect(10, 20, 30, 40), Corners::all, 0);
  EXPECT_EQ(p, parsed("M 10,20; L 40,20; L 40,60; L 10,60; L 10,20; Z."));
  EXPECT_EQ(qrcore::roundedRect(gfx::Rect(10, 20, 30, 40), Corners::none, 7), p);
}

TEST(RoundedRect, EachMemberRoundsItsOwnCorner) {
  // topLeft (x0,y0), topRight (x1,y0), bottomLeft (x1,y1), bottomRight (x0,y1).
  const gfx::Rect rect(0, 0, 100, 100);
  struct Row { Corners member; gfx::Point rounded; };
  const Row rows[] = {{Corners::topLeft, {0.5, 0.5}},
                      {Corners::topRight, {99.5, 0.5}},
                      {Corners::bottomLeft, {99.5, 99.5}},
                      {Corners::bottomRight, {0.5, 99.5}}};
  const gfx::Point corners[] = {{0.5, 0.5}, {99.5, 0.5}, {99.5, 99.5}, {0.5, 99.5}};
  for (const Row& row : rows) {
    const Path p = qrcore::roundedRect(rect, row.member, 30);
    for (const gfx::Point& c : corners)
      EXPECT_EQ(p.contains(c), !(c == row.rounded))
          << "member " << row.member.rawValue << " point " << c.x << "," << c.y;
    EXPECT_TRUE(p.contains({50, 50}));
  }
}

TEST(RoundedRect, DiagonalPairRaw10) {
  const Path p = qrcore::roundedRect(gfx::Rect(0, 0, 90, 90), Corners(std::int64_t(10)), 30);
  EXPECT_EQ(p, parsed("M 0,0; L 60,0; C 90,0 90,30 90,30; L 90,90; L 30,90; C 0,90 0,60 0,60; "
                      "L 0,0; Z."))
      << p.description();
}

TEST(RoundedRect, RadiusIsNotLimited) {
  const Path p = qrcore::roundedRect(gfx::Rect(0, 0, 10, 10), Corners::topRight, 30);
  ASSERT_EQ(p.size(), 7u);
  EXPECT_EQ(p.elements()[1].points[0], (gfx::Point{-20, 0}));
  EXPECT_EQ(p.elements()[2].points[2], (gfx::Point{10, 30}));
}

// --- hexagon leaf ---------------------------------------------------------------------------

TEST(HexagonLeaf, RoundedWorkedExample) {
  const Path p = qrcore::hexagonLeafPath(gfx::Rect(30, 30, 30, 30), true, 3);
  EXPECT_EQ(p, parsed("M 33,30; L 42,30; C 45,30 48,33 48,33; L 57,42; C 60,45 60,48 60,48; "
                      "L 60,57; C 60,60 57,60 57,60; L 48,60; C 45,60 42,57 42,57; "
                      "L 33,48; C 30,45 30,42 30,42; L 30,33; C 30,30 33,30 33,30"))
      << p.description();
}

TEST(HexagonLeaf, SharpHasSevenElementsAndNoClose) {
  for (const auto& [rounded, radius] : {std::pair{false, 3.0}, {true, 0.0}, {false, 0.0}}) {
    const Path p = qrcore::hexagonLeafPath(gfx::Rect(0, 0, 20, 10), rounded, radius);
    EXPECT_EQ(p, parsed("M 0,0; L 10,0; L 20,5; L 20,10; L 10,10; L 0,5; L 0,0"));
    ASSERT_EQ(p.size(), 7u);
    for (const auto& e : p.elements()) EXPECT_NE(e.type, PathElementType::close);
  }
}

// A built-in outline that does not parse is a programming error: it throws at once instead
// of drawing nothing.
TEST(BuiltInOutline, ParsesOrThrowsLogicError) {
  EXPECT_EQ(qrcore::builtInOutline("M 0,0; L 10,0; L 10,10; Z"), parsed("M 0,0; L 10,0; L 10,10; Z"));
  for (const char* broken : {"L 10,0; Z", "M 0,0; C 1,1 2,2", "M 0,0; L nan,1", "M 0,0; X 1,1"}) {
    SCOPED_TRACE(broken);
    EXPECT_THROW(qrcore::builtInOutline(broken), std::logic_error);
  }
}

// --- SVG -------------------------------------------------------------------------------------

TEST(SVGNumber, FixedFormAtThreeDigits) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, const char*> rows[] = {
      {0, "0"},        {10, "10"},         {10.25, "10.25"}, {1.0 / 3, "0.333"},
      {-2.5, "-2.5"},  {0.0125, "0.012"},  {2.0005, "2"},    {-0.0001, "0"},
      {1e21, "1000000000000000000000"},   {123456.7891, "123456.789"}, {0.9996, "1"},
      // Ties on the shortest digits go to the even neighbour; a carry reaches the integer.
      {0.0005, "0"},   {0.0015, "0.002"},  {-7.0625, "-7.062"}, {99.9995, "100"},
      {0.1 + 0.2, "0.3"}, {4194303.9995, "4194304"}, {4194304.0625, "4194304.062"},
      // Non-finite values never reach the document as "inf" or "nan".
      {inf, "0"},      {-inf, "0"},        {std::numeric_limits<double>::quiet_NaN(), "0"}};
  for (const auto& [value, text] : rows) EXPECT_EQ(qrcore::svgNumberString(value), text) << value;
}

// The path data's number writer works in binary thousandths; for every finite value it must
// give the text of the general fixed-form formatter (shortest digits, then half-to-even).
// A million values: spread over the magnitudes paths use, exact ties and their
// neighbours, binary fractions, and arbitrary bit patterns.
TEST(SVGNumber, SameTextAsTheGeneralFormatterForAMillionValues) {
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> exponent(-7, 8);
  std::uniform_int_distribution<std::uint64_t> thousandths(0, 5'000'000'000);
  const auto sign = [&](double v) { return (random() & 1) != 0 ? -v : v; };
  const std::vector<std::pair<const char*, std::function<double()>>> sources = {
      {"any magnitude", [&] { return sign(unit(random) * std::pow(10.0, exponent(random))); }},
      {"path coordinates", [&] { return sign(unit(random) * 2000.0); }},
      {"ties", [&] { return sign(static_cast<double>(2 * thousandths(random) + 1) / 2000.0); }},
      {"next to ties",
       [&] {
         const double tie = static_cast<double>(2 * (thousandths(random) % 10'000'000) + 1) / 2000.0;
         return sign(std::nextafter(tie, (random() & 1) != 0 ? 0.0 : 1e9));
       }},
      {"sixteenths", [&] { return sign(static_cast<double>(thousandths(random) % 100'000) / 16.0); }},
      {"bit patterns",
       [&] {
         double v;
         do {
           const std::uint64_t bits = random();
           std::memcpy(&v, &bits, sizeof v);
         } while (!std::isfinite(v));
         return v;
       }},
  };
  constexpr int kPerSource = 1'000'000 / 6 + 1;
  for (const auto& [name, next] : sources) {
    int mismatches = 0;
    for (int i = 0; i < kPerSource; ++i) {
      const double value = next();
      std::string text;
      qrcore::appendSVGNumber(text, value);
      if (text != foundation::fixedString(value, 3) && ++mismatches <= 5)
        ADD_FAILURE() << name << ": " << std::setprecision(17) << value << " gives " << text << ", expected "
                      << foundation::fixedString(value, 3);
    }
    EXPECT_EQ(mismatches, 0) << name;
  }
}

TEST(SVGPathData, ElementTexts) {
  Path p;
  p.moveTo({0, 0});
  p.lineTo({10.25, 5});
  p.close();
  EXPECT_EQ(qrcore::svgPathData(p), "M0 0 L10.25 5 Z ");
  Path q;
  q.moveTo({1.0 / 3, 2});
  q.quadTo({1, 2}, {3, 4});
  q.cubicTo({5, 6}, {7.5, 8}, {9, -10});
  EXPECT_EQ(qrcore::svgPathData(q), "M0.333 2 Q1,2 3,4 C5,6 7.5,8 9,-10 ");
  EXPECT_EQ(qrcore::svgPathCommand(q.elements()[2]), "C5,6 7.5,8 9,-10");
  EXPECT_EQ(qrcore::svgPathData(Path()), "");
}

// Path data is written in pieces of a few kilobytes: long paths, and elements whose
// numbers take the general formatter's hundreds of digits, cross piece boundaries whole.
TEST(SVGPathData, LongPathsMatchTheGeneralFormatter) {
  const double magnitudes[] = {0.0005, 1.0 / 3, 2047.9995, 4194303.9999, 4194304.0, 1.5e17, 1.7976931348623157e308};
  // "x{separator}y " in the general formatter's digits.
  const auto pair = [](double x, char separator, double y) {
    return foundation::fixedString(x, 3) + separator + foundation::fixedString(y, 3) + ' ';
  };
  Path p;
  p.moveTo({1, 2});
  std::string expected = "M1 2 ";
  for (int i = 0; i < 6000; ++i) {
    const double a = magnitudes[i % 7], b = -magnitudes[(i / 7) % 7], c = magnitudes[(i / 49) % 7];
    if (i % 3 == 0) {
      p.cubicTo({a, b}, {c, a}, {b, c});
      expected += 'C';
      expected += pair(a, ',', b) + pair(c, ',', a) + pair(b, ',', c);
    } else {
      p.lineTo({b, a});
      expected += 'L';
      expected += pair(b, ' ', a);
    }
  }
  p.close();
  EXPECT_EQ(qrcore::svgPathData(p), expected + "Z ");
}

// --- path element JSON ---------------------------------------------------------------------

Path examplePath() {
  Path p;
  p.moveTo({0, 0});
  p.lineTo({10.25, 5});
  p.close();
  return p;
}

TEST(PathJSON, ExampleLayout) {
  const Settings json = qrcore::pathElementJSON(examplePath());
  EXPECT_EQ(json.dump(), R"([{"points":[[0,0]],"type":0},{"points":[[10.25,5]],"type":1},{"type":4}])");
  const foundation::Bytes bytes = CGPathCodable::encodePath(examplePath());
  const std::string text = foundation::stringOf(bytes);
  EXPECT_NE(text.find('\n'), std::string::npos);  // pretty-printed
  EXPECT_EQ(Settings::parse(text), json);
}

Path randomPath(std::mt19937& rng, int elements) {
  std::uniform_real_distribution<double> coord(-500, 500);
  auto point = [&]() -> gfx::Point {
    // Mix integral and fractional coordinates.
    return rng() % 2 ? gfx::Point{std::round(coord(rng)), coord(rng)}
                     : gfx::Point{coord(rng), std::round(coord(rng))};
  };
  Path p;
  p.moveTo(point());
  for (int i = 0; i < elements; ++i) {
    switch (rng() % 5) {
      case 0: p.moveTo(point()); break;
      case 1: p.lineTo(point()); break;
      case 2: p.quadTo(point(), point()); break;
      case 3: p.cubicTo(point(), point(), point()); break;
      default: p.close(); p.moveTo(point()); break;
    }
  }
  return p;
}

TEST(PathJSON, RoundTripIsExact) {
  std::mt19937 rng(5);
  for (int i = 0; i < 20; ++i) {
    const Path p = randomPath(rng, 40);
    EXPECT_EQ(CGPathCodable::decodePath(CGPathCodable::encodePath(p)), p);
    EXPECT_EQ(qrcore::pathFromElementJSON(qrcore::pathElementJSON(p)), p);
    const CGPathCodable codable(p);
    const Settings value = codable.encode();
    ASSERT_TRUE(value.is_string());
    const auto decoded64 = foundation::base64Decode(*value.get_ptr<const std::string*>());
    ASSERT_TRUE(decoded64.has_value());
    EXPECT_EQ(Settings::parse(foundation::stringOf(*decoded64)), qrcore::pathElementJSON(p));
    EXPECT_EQ(CGPathCodable::decode(value).path, p);
  }
  const Path shapes = qrcore::roundedRect(gfx::Rect(0.5, 1, 80, 80), Corners::all, 12.125);
  EXPECT_EQ(CGPathCodable::decodePath(CGPathCodable::encodePath(shapes)), shapes);
}

TEST(PathJSON, IntegralValuesAreIntegers) {
  Path p;
  p.moveTo({3, -4});
  p.cubicTo({1.5, 2}, {-0.0, 1e6}, {7, 8.000001});
  const Settings json = qrcore::pathElementJSON(p);
  EXPECT_TRUE(json[0]["points"][0][0].is_number_integer());
  EXPECT_TRUE(json[0]["points"][0][1].is_number_integer());
  EXPECT_TRUE(json[1]["points"][0][0].is_number_float());
  EXPECT_TRUE(json[1]["points"][1][1].is_number_integer());
  EXPECT_TRUE(json[1]["points"][2][1].is_number_float());
  EXPECT_EQ(json[1]["points"].size(), 3u);
}

TEST(PathJSON, EmptyPath) {
  EXPECT_EQ(foundation::stringOf(CGPathCodable::encodePath(Path())).find('['), 0u);
  EXPECT_EQ(qrcore::pathElementJSON(Path()), Settings::array());
  EXPECT_TRUE(CGPathCodable::decodePath(foundation::bytesOf("[]")).empty());
  EXPECT_TRUE(CGPathCodable::decodePath(foundation::bytesOf(" [ ]\n")).empty());
}

TEST(PathJSON, ReaderSkipsUnknownKindsAndIgnoresExtras) {
  const Path p = CGPathCodable::decodePath(foundation::bytesOf(R"([
      {"type": 0, "points": [[1, 2], [99, 99]], "extra": "x"},
      {"type": 7, "points": [[5, 5]]},
      {"type": -1},
      {"type": 1e300, "points": [[9, 9]]},
      {"type": 18446744073709551615, "points": [[9, 9]]},
      {"type": -1e19, "points": [[9, 9]]},
      {"points": [[3, 4]], "type": 1.0},
      {"type": 2, "points": [[5, 6], [7, 8]]},
      {"type": 4, "points": [[50, 50]]}])"));
  Path expected;
  expected.moveTo({1, 2});
  expected.lineTo({3, 4});
  expected.quadTo({5, 6}, {7, 8});
  expected.close();
  EXPECT_EQ(p, expected);
}

TEST(PathJSON, MalformedInputFails) {
  const std::pair<const char*, PathCodingError> rows[] = {
      {"", PathCodingError::dataCorrupted},
      {"[", PathCodingError::dataCorrupted},
      {"{}", PathCodingError::dataCorrupted},
      {"[1]", PathCodingError::typeMismatch},
      {R"([{"points": [[1, 2]]}])", PathCodingError::keyNotFound},
      {R"([{"type": "0", "points": [[1, 2]]}])", PathCodingError::typeMismatch},
      {R"([{"type": 0.5, "points": [[1, 2]]}])", PathCodingError::typeMismatch},
      {R"([{"type": true, "points": [[1, 2]]}])", PathCodingError::typeMismatch},
      {R"([{"type": 0, "points": [1, 2]}])", PathCodingError::typeMismatch},
      {R"([{"type": 0, "points": [[1]]}])", PathCodingError::typeMismatch},
      {R"([{"type": 0, "points": [["1", 2]]}])", PathCodingError::typeMismatch},
      {R"([{"type": 0, "points": {"x": 1}}])", PathCodingError::typeMismatch},
      {R"([{"type": 0}])", PathCodingError::dataCorrupted},
      {R"([{"type": 3, "points": [[1, 2], [3, 4]]}])", PathCodingError::dataCorrupted},
  };
  for (const auto& [text, error] : rows)
    EXPECT_TRUE(raises(error, [&text = text] { CGPathCodable::decodePath(foundation::bytesOf(text)); })) << text;
  EXPECT_TRUE(raises(PathCodingError::typeMismatch, [] { CGPathCodable::decode(Settings(3)); }));
  EXPECT_TRUE(raises(PathCodingError::dataCorrupted, [] { CGPathCodable::decode(Settings("@@@")); }));
}

TEST(PathJSON, NonFiniteCoordinatesCannotBeWritten) {
  Path p;
  p.moveTo({std::numeric_limits<double>::quiet_NaN(), 0});
  EXPECT_TRUE(raises(PathCodingError::invalidValue, [&] { CGPathCodable::encodePath(p); }));
  Path q;
  q.moveTo({0, 0});
  q.lineTo({std::numeric_limits<double>::infinity(), 1});
  EXPECT_TRUE(raises(PathCodingError::invalidValue, [&] { qrcore::pathElementJSON(q); }));
}

// --- quadratic to cubic ----------------------------------------------------------------------

TEST(BezierConversion, QuadraticsBecomeCubics) {
  Path p;
  p.moveTo({0, 0});
  p.quadTo({3, 3}, {6, 0});
  p.lineTo({6, 6});
  p.cubicTo({1, 2}, {3, 4}, {5, 6});
  p.close();
  p.quadTo({3, 9}, {0, 6});  // after close: from the subpath's start (0, 0)
  const Path c = qrcore::bezierPathFromCGPath(p);
  ASSERT_EQ(c.size(), p.size());
  const double k = 0.6666666666666666;
  EXPECT_EQ(c.elements()[1].type, PathElementType::cubic);
  EXPECT_EQ(c.elements()[1].points[0], (gfx::Point{0 + 3 * k, 0 + 3 * k}));
  EXPECT_EQ(c.elements()[1].points[1], (gfx::Point{6 + (3 - 6) * k, 0 + 3 * k}));
  EXPECT_EQ(c.elements()[1].points[2], (gfx::Point{6, 0}));
  EXPECT_EQ(c.elements()[2], p.elements()[2]);
  EXPECT_EQ(c.elements()[3], p.elements()[3]);
  EXPECT_EQ(c.elements()[4].type, PathElementType::close);
  EXPECT_EQ(c.elements()[5].points[0], (gfx::Point{3 * k, 9 * k}));
  // The raised curve traces the same points as the quadratic.
  for (double t : {0.25, 0.5, 0.75}) {
    const double u = 1 - t;
    const gfx::Point q{u * u * 0 + 2 * u * t * 3 + t * t * 6, 2 * u * t * 3};
    const auto& e = c.elements()[1];
    const gfx::Point b{u * u * u * 0 + 3 * u * u * t * e.points[0].x + 3 * u * t * t * e.points[1].x +
                           t * t * t * e.points[2].x,
                       3 * u * u * t * e.points[0].y + 3 * u * t * t * e.points[1].y +
                           t * t * t * e.points[2].y};
    EXPECT_NEAR(b.x, q.x, 1e-12);
    EXPECT_NEAR(b.y, q.y, 1e-12);
  }
}

}  // namespace
