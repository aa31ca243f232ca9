#pragma once
// The pictures QR detection works on: grey (luminance) planes, their reductions by three,
// their black-and-white forms, and a count of the finder-like shapes in a black-and-white
// plane. QRCodeDetection.cpp uses them to bound the decoders' work (see there).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qrdetect {

// One byte per pixel, rows packed (stride = width). In a binary plane 0 is dark and 255
// light.
struct Plane {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  std::uint8_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// The grey plane reduced by three on each side (width / 3 x height / 3, rounded down), each
// pixel the rounded mean of the 3 x 3 pixels it covers.
Plane reducedByThree(const Plane& grey);

// The grey plane smoothed: each pixel the rounded mean of the pixels within `radius` (0 to
// 2) of it on both axes, those within the plane.
Plane smoothed(const Plane& grey, int radius);

// The grey plane in black and white by a local threshold: the plane is cut into 8 x 8
// blocks; a block whose values spread over more than 24 levels has its mean as its level,
// a flatter block half its minimum, raised to its upper and left neighbours' level when
// its minimum lies below that (a flat block inside a dark area stays dark). A pixel is
// dark when it is at most the mean level of the 5 x 5 blocks around its own (fewer at the
// edges).
Plane binarized(const Plane& grey);

// Swaps dark and light in place.
void invert(Plane& binary);

// A rectangle of a plane's pixels, from (left, top) up to (right, bottom) exclusive.
struct Region {
  int left = 0, top = 0, right = 0, bottom = 0;

  bool empty() const { return right <= left || bottom <= top; }
  // Grows the region to hold the square of `reach` pixels about (x, y), within the plane.
  void include(int x, int y, int reach, const Plane& plane);
  // A copy of the plane's pixels in the region.
  Plane of(const Plane& plane) const;
};

// Which runs through a shape's centre must read as a finder pattern's for it to count.
enum class FinderTest {
  allFourDirections,  // horizontally, vertically and along both diagonals
  acrossAndDown,      // horizontally and vertically only
};

// The number of finder-like shapes in a binary plane, counted up to `limit` + 1 (the count
// stops there). A shape counts when the runs through a dark pixel, horizontally,
// vertically and (with allFourDirections) along both diagonals, read dark-light-dark-light-
// dark in the proportions 1:1:3:1:1 (each run within three quarters of a module and one
// pixel of its share; the row's centre run at least two pixels, since one would be three
// modules of a third of a pixel), its centre lies at least a fifth of its size away from
// every shape counted before, and (with allFourDirections) its centre is held by closed
// rings: the dark pixels joined to it across and down stay within 3 modules (of size / 7)
// and 2 pixels, and the light pixels around them within 4 modules and 2 pixels, whatever
// the shape's turn. Shapes that pass the runs but not the rings count for nothing, but past
// `limit` of them the plane counts as crowded (limit + 1; `openRingsOnly`, when given, is
// set): noise holds a great many, and so do textured pictures such as photographs.
//
// With all four directions this is looser than the ZXing decoder's test for finder patterns
// (runs along four lines, then closed rings traced around the centre), so the count is at
// least the number of candidates it goes on to combine, while data modules of one-pixel
// codes that happen to read 1:1:3:1:1 mostly join their neighbours through open rings.
// Across and down only, it is looser than zbar's test, which pairs a horizontal with a
// vertical finder line. One-pixel checkerboards and stripes, whose every dark pixel passes
// the proportions alone, cost little more than a blank plane; each dark run that passes the
// row test costs at most walks of four times its window in each direction, and a dark run
// along a line is walked once however many rows ask about it (diagonal stripes of two or
// three pixels, whose every dark run fails only at a diagonal that is dark for its whole
// length, cost several times a blank plane, under half of what the rest of detection spends
// on a blank picture). The rings of each shape are looked at once, at most a few times its
// area. When `around` is given, it grows to hold every shape counted with a margin of one
// and a half times its size: three finder patterns and the code between them, with its
// quiet zone.
std::size_t countFinderCandidates(const Plane& binary, std::size_t limit,
                                  FinderTest test = FinderTest::allFourDirections, Region* around = nullptr,
                                  bool* openRingsOnly = nullptr);

// The ZXing decoder combines every three finder-pattern candidates it sees in a picture, so
// its time grows with the cube of their number: a small picture tiled with finder-like
// squares (a thousand of them) keeps it busy for seconds per pass, a larger one for hours,
// while real pictures hold three per code (and clean codes of one-pixel modules up to two
// hundred or so, where data modules happen to draw closed rings). Detection hands the ZXing
// decoder only binary pictures with at most this many finder-like shapes (as counted above,
// never fewer than its own candidates): 200 cost it well under a tenth of a second.
// Pictures with more still go to zbar (below).
inline constexpr std::size_t kMaxFinderCandidates = 200;

// True when the binary picture holds at most kMaxFinderCandidates finder-like shapes.
bool fewEnoughFinderCandidates(const Plane& binary);

// zbar pairs horizontal and vertical finder lines into centres and compares the centres
// near each other: its time grows with the square of their number, about a millisecond at
// a thousand and 0.2 s at 16 000 (a picture tiled with one-pixel finder squares, 4096
// pixels a side, keeps it busy for half a minute). Detection hands zbar only binary
// pictures with at most this many shapes counted across and down (at most about 0.15 s for
// the densest arrangements tried), and only the region around them.
inline constexpr std::size_t kMaxFinderCrossings = 2000;

}  // namespace qrdetect
