#pragma once
// What the thumbnail helper program (app/thumbnailer) and the application say to each other.
//
// The application starts the helper as
//   vidlumen-thumbnailer <video file> <cover width> <cover height> <pixel limit>
// with standard output a pipe. The helper reads the first frame with
// AerialManager::firstVideoFrame and writes one Header, then, when it has a frame,
// width x height premultiplied RGBA pixels, row after row; width and height 0 say there is
// none. Then it exits with status 0.

#include <cstdint>
#include <string>

namespace thumbnailhelper {

inline constexpr char kProgramName[] = "vidlumen-thumbnailer";
inline constexpr std::uint32_t kMagic = 0x564C5448;  // "VLTH"

struct Header {
  std::uint32_t magic;
  std::uint32_t width;
  std::uint32_t height;
};

// For tests only: the application starts this program in the helper's place (given the
// same arguments, and read as the helper is); an empty name brings back the real helper.
void useStandInForTesting(std::string program);

}  // namespace thumbnailhelper
