#include "QRCode/core/QRCodeDetectionImage.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace qrdetect {

namespace {

constexpr std::uint8_t kDark = 0;
constexpr std::uint8_t kLight = 255;

constexpr int kBlock = 8;
// A block whose values spread over no more than this many levels counts as flat.
constexpr int kFlatRange = 24;

std::size_t area(int width, int height) {
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// The first and last block index of the window of up to five blocks around `block`: five
// whole blocks where there are that many, shifted inwards at the edges.
std::pair<int, int> window(int block, int count) {
  if (count < 5) return {0, count - 1};
  const int centre = std::clamp(block, 2, count - 3);
  return {centre - 2, centre + 2};
}

// The runs through a dark pixel along a direction, for a finder-like shape centred near
// there: the dark run holding the pixel, then a light and a dark run on each side, in the
// order met from the far end behind. A run may end at the edge of the plane; each half of the
// walk gives up after maxSteps pixels. `centreOffset` is where the middle of the centre run
// lies from the pixel, in steps.
struct Runs {
  std::array<int, 5> lengths{};
  int centreOffset = 0;
};

// The runs along one direction (a step right and `dy` rows down, dy = -1, 0 or 1) through
// the pixels asked about, keeping for each line the stretch of the dark run that held the
// last pixel asked about there: a later pixel of that run on the line reads how far the run
// goes without walking it again. Diagonal stripes put a candidate on every row of a line
// that is dark for its whole length, each of which would otherwise walk four times its
// window before failing.
class LineRuns {
 public:
  LineRuns(const Plane& plane, int dy)
      : plane_(plane), dy_(dy), known_(static_cast<std::size_t>(dy == 0 ? plane.height : plane.width + plane.height)) {}

  std::optional<Runs> through(int x, int y, int maxSteps) {
    if (plane_.at(x, y) != kDark) return std::nullopt;
    Known& k = known_[line(x, y)];
    if (x < k.first || x > k.last) k = {x, x, false, false};
    // The centre run on both sides first, so that the stretch known grows both ways.
    extend(x, y, 1, k.last, k.lastEnds, maxSteps);
    extend(x, y, -1, k.first, k.firstEnds, maxSteps);
    std::array<int, 3> ahead{}, behind{};
    if (!half(x, y, 1, k.last, maxSteps, ahead) || !half(x, y, -1, k.first, maxSteps, behind)) return std::nullopt;
    Runs runs;
    runs.lengths = {behind[2], behind[1], behind[0] + 1 + ahead[0], ahead[1], ahead[2]};
    runs.centreOffset = (ahead[0] - behind[0]) / 2;
    return runs;
  }

  // True when the stretch known already shows the dark run through (x, y), a dark pixel,
  // going on more than maxSteps beyond it, so that through() fails. A pixel next to the
  // stretch joins it: points asked about one row after another along a line grow it a pixel
  // at a time.
  bool tooLong(int x, int y, int maxSteps) {
    Known& k = known_[line(x, y)];
    if (x == k.first - 1) k.first = x;
    if (x == k.last + 1) k.last = x;
    return x >= k.first && x <= k.last && (k.last - x > maxSteps || x - k.first > maxSteps);
  }

 private:
  std::size_t line(int x, int y) const {
    return static_cast<std::size_t>(dy_ == 0 ? y : dy_ > 0 ? x - y + plane_.height : x + y);
  }

  // A dark stretch of a line, from column `first` to `last`; each end flagged when the run
  // ends there (a light pixel or the edge follows).
  struct Known {
    int first = 0;
    int last = -1;
    bool firstEnds = false;
    bool lastEnds = false;
  };

  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < plane_.width && y < plane_.height; }

  // Extends the known stretch's end `end` from (x, y), `s` columns a step, until the run
  // ends or lies more than maxSteps beyond x.
  void extend(int x, int y, int s, int& end, bool& ends, int maxSteps) const {
    while (!ends && s * (end - x) <= maxSteps) {
      const int nx = end + s, ny = y + dy_ * (nx - x);
      if (inside(nx, ny) && plane_.at(nx, ny) == kDark) {
        end = nx;
      } else {
        ends = true;
      }
    }
  }

  // Half of the walk from (x, y) whose centre run ends at `end` (or goes on past maxSteps):
  // the rest of the centre run, then a light and a dark run.
  bool half(int x, int y, int s, int end, int maxSteps, std::array<int, 3>& out) const {
    int steps = s * (end - x);
    if (steps > maxSteps) return false;
    out = {steps, 0, 0};
    int cx = end + s, cy = y + dy_ * (cx - x);
    for (std::size_t k = 1; k < 3; ++k) {
      const std::uint8_t colour = k == 1 ? kLight : kDark;
      for (; inside(cx, cy) && plane_.at(cx, cy) == colour; cx += s, cy += s * dy_) {
        ++out[k];
        if (++steps > maxSteps) return false;
      }
    }
    return true;
  }

  const Plane& plane_;
  int dy_;
  std::vector<Known> known_;  // per line
};

// True when five runs read 1:1:3:1:1, each within three quarters of a module and one pixel
// of its share: |r - share * total / 7| <= 0.75 * total / 7 + 1, times 28 to stay in
// integers.
inline bool finderProportions(const std::array<int, 5>& runs) {
  const int total = runs[0] + runs[1] + runs[2] + runs[3] + runs[4];
  const int module = 4 * total, slack = 3 * total + 28;
  const auto near = [&](int run, int share) { return (run > 0) & (std::abs(28 * run - share * module) <= slack); };
  // Without branches: runs of patterns read here fail or pass at any of the five.
  return near(runs[0], 1) & near(runs[1], 1) & near(runs[2], 3) & near(runs[3], 1) & near(runs[4], 1);
}

int sum(const std::array<int, 5>& runs) {
  int total = 0;
  for (int r : runs) total += r;
  return total;
}

struct Candidate {
  int x = 0;
  int y = 0;
  int size = 0;
};

// The shapes counted so far, found through a grid of square cells: a position is near a
// shape when it lies within a fifth of the smaller size (at least a pixel and a half) of the
// shape's centre, so only the cells within a fifth of the new shape's size are looked at,
// or, when those are more than the shapes counted, every shape.
class CountedShapes {
 public:
  CountedShapes(int width, int height)
      : columns_(width / kCell + 1), rows_(height / kCell + 1), heads_(area(columns_, rows_), -1) {}

  std::size_t size() const { return shapes_.size(); }

  bool near(int x, int y, int size) const {
    if (shapes_.empty()) return false;
    const int reach = size / 5 + 2;  // at least the radius
    const int x0 = cell(x - reach, columns_), x1 = cell(x + reach, columns_);
    const int y0 = cell(y - reach, rows_), y1 = cell(y + reach, rows_);
    if (static_cast<std::size_t>(x1 - x0 + 1) * static_cast<std::size_t>(y1 - y0 + 1) > shapes_.size()) {
      return std::any_of(shapes_.begin(), shapes_.end(), [&](const Candidate& c) { return close(c, x, y, size); });
    }
    for (int cy = y0; cy <= y1; ++cy)
      for (int cx = x0; cx <= x1; ++cx)
        for (int i = heads_[index(cx, cy)]; i >= 0; i = next_[static_cast<std::size_t>(i)])
          if (close(shapes_[static_cast<std::size_t>(i)], x, y, size)) return true;
    return false;
  }

  void add(const Candidate& c) {
    const std::size_t at = index(cell(c.x, columns_), cell(c.y, rows_));
    next_.push_back(heads_[at]);
    heads_[at] = static_cast<int>(shapes_.size());
    shapes_.push_back(c);
  }

 private:
  static constexpr int kCell = 32;

  static bool close(const Candidate& c, int x, int y, int size) {
    const double radius = std::max(1.5, std::min(size, c.size) / 5.0);
    const double ex = x - c.x, ey = y - c.y;
    return ex * ex + ey * ey < radius * radius;
  }
  static int cell(int v, int count) { return std::clamp(v / kCell, 0, count - 1); }
  std::size_t index(int cx, int cy) const { return area(columns_, cy) + static_cast<std::size_t>(cx); }

  int columns_, rows_;
  std::vector<int> heads_;  // per cell, the last shape added there; -1: none
  std::vector<int> next_;   // per shape, the shape added before it to the same cell
  std::vector<Candidate> shapes_;
};

// True when the dark run down through (x, y) goes on as far above it as below, within a
// pixel, both seen within a few rows: the middle of the run is then in row y.
bool centredInColumn(const Plane& plane, int x, int y) {
  constexpr int kReach = 8;
  const auto extent = [&](int dy) {
    int n = 0;
    for (int r = y + dy; n < kReach && r >= 0 && r < plane.height && plane.at(x, r) == kDark; r += dy) ++n;
    return n;
  };
  const int above = extent(-1), below = extent(1);
  return above < kReach && below < kReach && std::abs(below - above) <= 1;
}

// The vertical runs of each column asked about, kept as the rows are read from top to
// bottom: where the run holding the row began and the lengths of the two runs above it, and
// where that run and the two below it end, found by walking down the column only as far as
// a question needs and kept until the row leaves the run. A column is brought down to the
// row asked about only when asked, from the ends found before. Each pixel of a column is
// looked at once, however many rows ask, and mostly a few rows below the row being read,
// while those rows are still in the cache.
class ColumnRuns {
 public:
  explicit ColumnRuns(const Plane& plane)
      : plane_(plane), columns_(static_cast<std::size_t>(plane.width)) {}

  // Moves to row y, below the current one.
  void moveTo(int y) { y_ = y; }

  // The runs down through (x, y) for the current row y, as LineRuns finds them across.
  std::optional<Runs> through(int x, int maxSteps) {
    if (plane_.at(x, y_) != kDark) return std::nullopt;
    Column& c = columns_[static_cast<std::size_t>(x)];
    // Down to row y: the runs that ended by then move above it.
    for (;;) {
      while (c.ends[0] >= 0 && c.ends[0] <= y_) {
        c.above = {c.ends[0] - c.top, c.above[0]};
        c.top = c.ends[0];
        c.ends = {c.ends[1], c.ends[2], -1};
      }
      if (c.ends[0] >= 0 || c.walked > y_) break;
      walk(c, x, y_ + 1);
    }
    const std::array<int, 3> behind = {y_ - c.top, c.above[0], c.above[1]};
    if (behind[0] + behind[1] + behind[2] > maxSteps) return std::nullopt;
    // The three runs from row y on must end by row y + 1 + maxSteps.
    if (!walk(c, x, std::min(plane_.height, y_ + 2 + maxSteps))) return std::nullopt;
    const std::array<int, 3> ahead = {c.ends[0] - y_ - 1, c.ends[1] - c.ends[0], c.ends[2] - c.ends[1]};
    Runs runs;
    runs.lengths = {behind[2], behind[1], behind[0] + 1 + ahead[0], ahead[1], ahead[2]};
    runs.centreOffset = (ahead[0] - behind[0]) / 2;
    return runs;
  }

 private:
  struct Column {
    int top = 0;                          // the first row of the run holding the row last asked about
    std::array<int, 2> above{};           // the lengths of the runs above it, nearest first
    std::array<int, 3> ends{-1, -1, -1};  // the end (exclusive) of that run and the two below; -1: not found yet
    int walked = 1;                       // every row above this one has been looked at
  };

  // Walks down column x until the three ends are known, looking at the rows above `until`
  // at most; true when they are known. Runs end at the bottom edge.
  bool walk(Column& c, int x, int until) const {
    if (c.ends[2] >= 0) return true;
    std::size_t k = c.ends[0] < 0 ? 0 : c.ends[1] < 0 ? 1 : 2;
    int r = c.walked;
    const std::size_t stride = static_cast<std::size_t>(plane_.width);
    const std::uint8_t* p = plane_.pixels.data() + area(plane_.width, r) + static_cast<std::size_t>(x);
    for (; r < until && k < 3; ++r, p += stride) {
      if (*p != *(p - stride)) c.ends[k++] = r;
    }
    c.walked = r;
    if (r == plane_.height) {
      for (; k < 3; ++k) c.ends[k] = r;
    }
    return k == 3;
  }

  const Plane& plane_;
  std::vector<Column> columns_;
  int y_ = 0;
};

// True when the pixels of (x, y)'s colour joined to it across and down stay within `reach`
// pixels of (cx, cy) on both axes.
bool enclosed(const Plane& plane, int x, int y, int cx, int cy, int reach) {
  const std::uint8_t colour = plane.at(x, y);
  const int side = 2 * reach + 1;
  std::vector<std::uint8_t> seen(area(side, side), 0);
  std::vector<std::pair<int, int>> open{{x, y}};
  seen[area(side, y - cy + reach) + static_cast<std::size_t>(x - cx + reach)] = 1;
  while (!open.empty()) {
    const auto [px, py] = open.back();
    open.pop_back();
    for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
      const int nx = px + dx, ny = py + dy;
      if (nx < 0 || ny < 0 || nx >= plane.width || ny >= plane.height || plane.at(nx, ny) != colour) continue;
      const int lx = nx - cx + reach, ly = ny - cy + reach;
      if (lx < 0 || ly < 0 || lx >= side || ly >= side) return false;
      std::uint8_t& s = seen[area(side, ly) + static_cast<std::size_t>(lx)];
      if (s) continue;
      s = 1;
      open.push_back({nx, ny});
    }
  }
  return true;
}

// True when the centre of a shape of `size` pixels at (x, y) is held by closed rings, as a
// finder pattern's is whatever its turn: the dark pixels joined to it stay within 3 modules
// (of size / 7) and 2 pixels of it, and the light pixels joined to the first light pixel to
// its right within 4 modules and 2 pixels. At one pixel per module, data modules that read
// 1:1:3:1:1 along four lines mostly join others through the gaps between them. (Joined
// across and down only, so a ring closed only at its corners still counts.)
bool ringsClosed(const Plane& plane, int x, int y, int size) {
  if (!enclosed(plane, x, y, x, y, 3 * size / 7 + 2)) return false;
  int lx = x;
  while (lx < plane.width && plane.at(lx, y) == kDark) ++lx;
  return lx < plane.width && enclosed(plane, lx, y, x, y, 4 * size / 7 + 2);
}

// True when the runs through (x, y) along both diagonals read as a finder pattern's.
bool diagonalsPass(LineRuns& falls, LineRuns& rises, int x, int y, int maxSteps) {
  if (falls.tooLong(x, y, maxSteps) || rises.tooLong(x, y, maxSteps)) return false;
  const std::optional<Runs> falling = falls.through(x, y, maxSteps);
  if (!falling || !finderProportions(falling->lengths)) return false;
  const std::optional<Runs> rising = rises.through(x, y, maxSteps);
  return rising && finderProportions(rising->lengths);
}

}  // namespace

void Region::include(int x, int y, int reach, const Plane& plane) {
  const int x0 = std::max(0, x - reach), y0 = std::max(0, y - reach);
  const int x1 = std::min(plane.width, x + reach + 1), y1 = std::min(plane.height, y + reach + 1);
  if (empty()) {
    *this = {x0, y0, x1, y1};
    return;
  }
  left = std::min(left, x0), top = std::min(top, y0);
  right = std::max(right, x1), bottom = std::max(bottom, y1);
}

Plane Region::of(const Plane& plane) const {
  Plane part;
  if (empty()) return part;
  part.width = right - left;
  part.height = bottom - top;
  part.pixels.resize(area(part.width, part.height));
  for (int y = 0; y < part.height; ++y) {
    std::copy_n(plane.pixels.data() + area(plane.width, top + y) + static_cast<std::size_t>(left),
                part.width, part.pixels.data() + area(part.width, y));
  }
  return part;
}

Plane reducedByThree(const Plane& grey) {
  Plane out;
  out.width = grey.width / 3;
  out.height = grey.height / 3;
  out.pixels.resize(area(out.width, out.height));
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      unsigned total = 4;  // rounds the mean of nine
      for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx) total += grey.at(3 * x + dx, 3 * y + dy);
      out.pixels[area(out.width, y) + static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(total / 9);
    }
  }
  return out;
}

Plane smoothed(const Plane& grey, int radius) {
  Plane out{grey.width, grey.height, std::vector<std::uint8_t>(grey.pixels.size())};
  if (grey.width <= 0 || grey.height <= 0) return out;
  // Sums along each row (a sliding window), then sums of those down each column, kept for
  // every column as the window slides down.
  std::vector<std::uint16_t> across(grey.pixels.size());
  for (int y = 0; y < grey.height; ++y) {
    const std::uint8_t* row = grey.pixels.data() + area(grey.width, y);
    std::uint16_t* sums = across.data() + area(grey.width, y);
    unsigned total = 0;
    for (int x = 0; x < std::min(radius, grey.width); ++x) total += row[x];
    for (int x = 0; x < grey.width; ++x) {
      if (x + radius < grey.width) total += row[x + radius];
      if (x - radius - 1 >= 0) total -= row[x - radius - 1];
      sums[x] = static_cast<std::uint16_t>(total);
    }
  }
  const auto span = [radius](int v, int count) { return std::min(count - 1, v + radius) - std::max(0, v - radius) + 1; };
  std::vector<unsigned> down(static_cast<std::size_t>(grey.width), 0);
  for (int y = 0; y < std::min(radius, grey.height); ++y)
    for (int x = 0; x < grey.width; ++x) down[static_cast<std::size_t>(x)] += across[area(grey.width, y) + static_cast<std::size_t>(x)];
  for (int y = 0; y < grey.height; ++y) {
    const std::uint16_t* enter = y + radius < grey.height ? across.data() + area(grey.width, y + radius) : nullptr;
    const std::uint16_t* leave = y - radius - 1 >= 0 ? across.data() + area(grey.width, y - radius - 1) : nullptr;
    std::uint8_t* outRow = out.pixels.data() + area(grey.width, y);
    const int rows = span(y, grey.height);
    for (int x = 0; x < grey.width; ++x) {
      unsigned& total = down[static_cast<std::size_t>(x)];
      if (enter) total += enter[x];
      if (leave) total -= leave[x];
      const unsigned n = static_cast<unsigned>(span(x, grey.width) * rows);
      outRow[x] = static_cast<std::uint8_t>((total + n / 2) / n);
    }
  }
  return out;
}

Plane binarized(const Plane& grey) {
  Plane out;
  out.width = grey.width;
  out.height = grey.height;
  out.pixels.resize(area(grey.width, grey.height));
  if (grey.width <= 0 || grey.height <= 0) return out;

  const int blocksX = (grey.width + kBlock - 1) / kBlock;
  const int blocksY = (grey.height + kBlock - 1) / kBlock;
  std::vector<int> level(area(blocksX, blocksY));
  auto levelAt = [&](int bx, int by) -> int& { return level[area(blocksX, by) + static_cast<std::size_t>(bx)]; };
  for (int by = 0; by < blocksY; ++by) {
    const int y0 = by * kBlock, y1 = std::min(y0 + kBlock, grey.height);
    for (int bx = 0; bx < blocksX; ++bx) {
      const int x0 = bx * kBlock, x1 = std::min(x0 + kBlock, grey.width);
      int total = 0, low = 255, high = 0;
      for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = grey.pixels.data() + area(grey.width, y);
        for (int x = x0; x < x1; ++x) {
          const int v = row[x];
          total += v;
          low = std::min(low, v);
          high = std::max(high, v);
        }
      }
      int blockLevel = total / ((x1 - x0) * (y1 - y0));
      if (high - low <= kFlatRange) {
        blockLevel = low / 2;
        if (bx > 0 && by > 0) {
          const int neighbours =
              (levelAt(bx, by - 1) + 2 * levelAt(bx - 1, by) + levelAt(bx - 1, by - 1)) / 4;
          if (low < neighbours) blockLevel = neighbours;
        }
      }
      levelAt(bx, by) = blockLevel;
    }
  }

  for (int by = 0; by < blocksY; ++by) {
    const auto [top, bottom] = window(by, blocksY);
    const int y0 = by * kBlock, y1 = std::min(y0 + kBlock, grey.height);
    for (int bx = 0; bx < blocksX; ++bx) {
      const auto [left, right] = window(bx, blocksX);
      int total = 0;
      for (int wy = top; wy <= bottom; ++wy)
        for (int wx = left; wx <= right; ++wx) total += levelAt(wx, wy);
      const int threshold = total / ((right - left + 1) * (bottom - top + 1));
      const int x0 = bx * kBlock, x1 = std::min(x0 + kBlock, grey.width);
      for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = grey.pixels.data() + area(grey.width, y);
        std::uint8_t* outRow = out.pixels.data() + area(grey.width, y);
        for (int x = x0; x < x1; ++x) outRow[x] = row[x] <= threshold ? kDark : kLight;
      }
    }
  }
  return out;
}

void invert(Plane& binary) {
  for (std::uint8_t& v : binary.pixels) v = static_cast<std::uint8_t>(255 - v);
}

std::size_t countFinderCandidates(const Plane& binary, std::size_t limit, FinderTest test, Region* around,
                                  bool* openRingsOnly) {
  const bool diagonals = test == FinderTest::allFourDirections;
  if (binary.width <= 0 || binary.height <= 0) return 0;
  CountedShapes counted(binary.width, binary.height);
  // Shapes whose rings are open: looked at once each, and, past the limit, taken
  // as a plane too crowded to tell (noise holds a great many).
  CountedShapes open(binary.width, binary.height);
  ColumnRuns columns(binary);
  LineRuns rows(binary, 0), falls(binary, 1), rises(binary, -1);
  // Where each run of the row starts, and the row's width after the last.
  std::vector<int> starts(static_cast<std::size_t>(binary.width) + 1);
  for (int y = 0; y < binary.height; ++y) {
    columns.moveTo(y);
    const std::uint8_t* row = binary.pixels.data() + area(binary.width, y);
    // Every pixel unlike the one before starts a run: eight pixels like the ones before
    // them are passed at once, others looked at without a branch, so that rows of
    // one-pixel runs cost little more than flat ones.
    std::size_t count = 1;
    for (int x = 1; x < binary.width;) {
      const int end = std::min(x + 8, binary.width);
      if (end - x == 8 && std::memcmp(row + x, row + x - 1, 8) == 0) {
        x = end;
        continue;
      }
      for (; x < end; ++x) {
        starts[count] = x;
        count += row[x] != row[x - 1] ? 1 : 0;
      }
    }
    starts[count] = binary.width;
    const auto length = [&](std::size_t i) { return starts[i + 1] - starts[i]; };
    const std::size_t firstDark = row[0] == kDark ? 0 : 1;
    for (std::size_t i = firstDark; i + 4 < count; i += 2) {
      // A centre run of one pixel would be three modules of a third of a pixel: finder
      // patterns of one-pixel modules have centres of three, and the decoder passes such
      // shapes by (thousands of 5 x 5 rings cost it nothing). One-pixel checkerboards and
      // stripes are nothing else.
      if (length(i + 2) < 2) continue;
      const std::array<int, 5> runs = {length(i), length(i + 1), length(i + 2), length(i + 3), length(i + 4)};
      if (!finderProportions(runs)) continue;
      const int width = sum(runs);
      const int maxSteps = 4 * width;
      int cx = starts[i + 2] + runs[2] / 2;

      // A diagonal through (cx, y) already known to hold too long a dark run there fails
      // the shape when its centre stays in row y, that is when the vertical run through it
      // goes on as far above as below (within a pixel): diagonal stripes end here.
      if (diagonals && (falls.tooLong(cx, y, maxSteps) || rises.tooLong(cx, y, maxSteps)) &&
          centredInColumn(binary, cx, y)) {
        continue;
      }

      // Vertically through the row's centre run (the cheapest walk, so first), then
      // horizontally through the vertical centre (on the row read, the row's own runs),
      // then, when asked, both diagonals through the centre found.
      const std::optional<Runs> vertical = columns.through(cx, maxSteps);
      if (!vertical || !finderProportions(vertical->lengths)) continue;
      if (counted.near(cx, y, width)) continue;
      const int cy = y + vertical->centreOffset;
      Runs across{runs, 0};
      if (cy != y) {
        const std::optional<Runs> walked = rows.through(cx, cy, maxSteps);
        if (!walked || !finderProportions(walked->lengths)) continue;
        across = *walked;
      }
      cx += across.centreOffset;
      if (diagonals && !diagonalsPass(falls, rises, cx, cy, maxSteps)) continue;

      const int size = (sum(across.lengths) + sum(vertical->lengths)) / 2;
      if (counted.near(cx, cy, size)) continue;
      if (diagonals && (open.near(cx, cy, size) || !ringsClosed(binary, cx, cy, size))) {
        if (!open.near(cx, cy, size)) open.add({cx, cy, size});
        if (open.size() > limit) {
          if (openRingsOnly) *openRingsOnly = true;
          return limit + 1;
        }
        continue;
      }
      counted.add({cx, cy, size});
      if (around) around->include(cx, cy, size + size / 2, binary);
      if (counted.size() > limit) return counted.size();
    }
  }
  return counted.size();
}

bool fewEnoughFinderCandidates(const Plane& binary) {
  return countFinderCandidates(binary, kMaxFinderCandidates) <= kMaxFinderCandidates;
}

}  // namespace qrdetect
