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

// The runs through (x, y) along (dx, dy), for a finder-like shape centred near there: the
// dark run holding the pixel, then a light and a dark run on each side, in the order met
// from the (-dx, -dy) end. A run may end at the edge of the plane; each half of the walk
// gives up after maxSteps pixels. `centreOffset` is where the middle of the centre run
// lies from (x, y), in steps.
struct Runs {
  std::array<int, 5> lengths{};
  int centreOffset = 0;
};

std::optional<Runs> runsThrough(const Plane& plane, int x, int y, int dx, int dy, int maxSteps) {
  if (plane.at(x, y) != kDark) return std::nullopt;
  // Half of the walk: the rest of the centre run, then a light and a dark run.
  auto half = [&](int sx, int sy, std::array<int, 3>& out) {
    int cx = x + sx, cy = y + sy, steps = 0;
    const std::uint8_t colours[3] = {kDark, kLight, kDark};
    for (int k = 0; k < 3; ++k) {
      out[static_cast<std::size_t>(k)] = 0;
      while (cx >= 0 && cy >= 0 && cx < plane.width && cy < plane.height &&
             plane.at(cx, cy) == colours[k]) {
        ++out[static_cast<std::size_t>(k)];
        if (++steps > maxSteps) return false;
        cx += sx;
        cy += sy;
      }
    }
    return true;
  };
  std::array<int, 3> ahead{}, behind{};
  if (!half(dx, dy, ahead) || !half(-dx, -dy, behind)) return std::nullopt;
  Runs runs;
  runs.lengths = {behind[2], behind[1], behind[0] + 1 + ahead[0], ahead[1], ahead[2]};
  runs.centreOffset = (ahead[0] - behind[0]) / 2;
  return runs;
}

// True when five runs read 1:1:3:1:1, each within three quarters of a module and one pixel
// of its share: |r - share * total / 7| <= 0.75 * total / 7 + 1, times 28 to stay in
// integers.
bool finderProportions(const std::array<int, 5>& runs) {
  int total = 0;
  for (int r : runs) {
    if (r < 1) return false;
    total += r;
  }
  constexpr int share[5] = {1, 1, 3, 1, 1};
  for (std::size_t k = 0; k < runs.size(); ++k) {
    if (std::abs(28 * runs[k] - 4 * share[k] * total) > 3 * total + 28) return false;
  }
  return true;
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
    const double radius = std::max(1.5, size / 5.0);
    const int x0 = cell(x - radius, columns_), x1 = cell(x + radius, columns_);
    const int y0 = cell(y - radius, rows_), y1 = cell(y + radius, rows_);
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
  static int cell(double v, int count) { return std::clamp(static_cast<int>(std::floor(v / kCell)), 0, count - 1); }
  std::size_t index(int cx, int cy) const { return area(columns_, cy) + static_cast<std::size_t>(cx); }

  int columns_, rows_;
  std::vector<int> heads_;  // per cell, the last shape added there; -1: none
  std::vector<int> next_;   // per shape, the shape added before it to the same cell
  std::vector<Candidate> shapes_;
};

// The vertical runs of every column around the row being read, kept as the rows are read
// from top to bottom: where the run holding the row began and the lengths of the two runs
// above it, updated row by row, and where that run and the two below it end, found by
// walking down the column only as far as a question needs and kept until the row leaves
// the run. Each pixel of a column is looked at once, however many rows ask, and mostly a
// few rows below the row being read, while those rows are still in the cache.
class ColumnRuns {
 public:
  explicit ColumnRuns(const Plane& plane)
      : plane_(plane), columns_(static_cast<std::size_t>(plane.width)) {}

  // Moves to row y, the row after the current one (or row 0 first).
  void moveTo(int y) {
    y_ = y;
    if (y == 0) return;
    const std::uint8_t* row = plane_.pixels.data() + area(plane_.width, y);
    const std::uint8_t* above = row - plane_.width;
    for (std::size_t x = 0; x < columns_.size(); ++x) {
      if (row[x] == above[x]) continue;
      Column& c = columns_[x];
      c.above[1] = c.above[0];
      c.above[0] = y - c.top;
      c.top = y;
      c.ends = {c.ends[1], c.ends[2], -1};
    }
  }

  // The same as runsThrough(plane, x, y, 0, 1, maxSteps) for the current row y.
  std::optional<Runs> through(int x, int maxSteps) {
    if (plane_.at(x, y_) != kDark) return std::nullopt;
    Column& c = columns_[static_cast<std::size_t>(x)];
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
    int top = 0;                          // the first row of the run holding the current row
    std::array<int, 2> above{};           // the lengths of the runs above it, nearest first
    std::array<int, 3> ends{-1, -1, -1};  // the end (exclusive) of that run and the two below; -1: not found yet
    int walked = 1;                       // every row above this one has been looked at
  };

  // Walks down column x until the three ends are known, looking at the rows above `until`
  // at most; true when they are known. Runs end at the bottom edge.
  bool walk(Column& c, int x, int until) const {
    if (c.ends[2] >= 0) return true;
    std::size_t k = c.ends[0] < 0 ? 0 : c.ends[1] < 0 ? 1 : 2;
    int r = std::max(c.walked, y_ + 1);
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

}  // namespace

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

std::size_t countFinderCandidates(const Plane& binary, std::size_t limit) {
  if (binary.width <= 0 || binary.height <= 0) return 0;
  CountedShapes counted(binary.width, binary.height);
  ColumnRuns columns(binary);
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

      // Vertically through the row's centre run (the cheapest test, so first), then
      // horizontally through the vertical centre, then both diagonals through the centre
      // found.
      const std::optional<Runs> vertical = columns.through(cx, maxSteps);
      if (!vertical || !finderProportions(vertical->lengths)) continue;
      if (counted.near(cx, y, width)) continue;
      const int cy = y + vertical->centreOffset;
      const std::optional<Runs> across = runsThrough(binary, cx, cy, 1, 0, maxSteps);
      if (!across || !finderProportions(across->lengths)) continue;
      cx += across->centreOffset;
      const std::optional<Runs> falling = runsThrough(binary, cx, cy, 1, 1, maxSteps);
      if (!falling || !finderProportions(falling->lengths)) continue;
      const std::optional<Runs> rising = runsThrough(binary, cx, cy, 1, -1, maxSteps);
      if (!rising || !finderProportions(rising->lengths)) continue;

      const int size = (sum(across->lengths) + sum(vertical->lengths)) / 2;
      if (counted.near(cx, cy, size)) continue;
      counted.add({cx, cy, size});
      if (counted.size() > limit) return counted.size();
    }
  }
  return counted.size();
}

bool fewEnoughFinderCandidates(const Plane& binary) {
  return countFinderCandidates(binary, kMaxFinderCandidates) <= kMaxFinderCandidates;
}

}  // namespace qrdetect
