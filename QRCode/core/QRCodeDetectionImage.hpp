#pragma once
// The pictures QR detection works on: grey (luminance) planes, their reductions by three,
// their black-and-white forms, and a count of the finder-like shapes in a black-and-white
// plane. QRCodeDetection.cpp uses them to bound the decoder's work (see there).

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

// The grey plane in black and white by a local threshold: the plane is cut into 8 x 8
// blocks; a block whose values spread over more than 24 levels has its mean as its level,
// a flatter block half its minimum, raised to its upper and left neighbours' level when
// its minimum lies below that (a flat block inside a dark area stays dark). A pixel is
// dark when it is at most the mean level of the 5 x 5 blocks around its own (fewer at the
// edges).
Plane binarized(const Plane& grey);

// Swaps dark and light in place.
void invert(Plane& binary);

// The number of finder-like shapes in a binary plane, counted up to `limit` + 1 (the count
// stops there). A shape counts when the runs through a dark pixel, horizontally,
// vertically and along both diagonals, read dark-light-dark-light-dark in the proportions
// 1:1:3:1:1 (each run within three quarters of a module and one pixel of its share; the
// row's centre run at least two pixels, since one would be three modules of a third of a
// pixel), and its centre lies at least a fifth of its size away from every shape counted
// before. This is looser than a decoder's test for finder patterns, so the count is at
// least the number of candidates the decoder goes on to combine. One-pixel checkerboards
// and stripes, whose every dark pixel passes the proportions alone, cost little more than
// a blank plane; each dark run that passes the row test costs at most walks of four times
// its window in each direction, and a dark run along a line is walked once however many
// rows ask about it (diagonal stripes of two or three pixels, whose every dark run fails
// only at a diagonal that is dark for its whole length, cost several times a blank plane,
// under half of what the rest of detection spends on a blank picture).
std::size_t countFinderCandidates(const Plane& binary, std::size_t limit);

// The decoder combines every three finder-pattern candidates it sees in a picture, so its
// time grows with the cube of their number: a small picture tiled with finder-like squares
// (a thousand of them) keeps it busy for seconds per pass, a larger one for hours, while
// real pictures hold three per code. Detection hands the decoder only binary pictures with
// at most this many finder-like shapes (as counted above, never fewer than the decoder's
// own candidates): 200 cost it well under a tenth of a second, and long before that many
// the decoder no longer tells one code's finder patterns from the others' anyway.
inline constexpr std::size_t kMaxFinderCandidates = 200;

// True when the binary picture holds at most kMaxFinderCandidates finder-like shapes.
bool fewEnoughFinderCandidates(const Plane& binary);

}  // namespace qrdetect
