// The video thumbnail reader (the first frame of a video file) over any file.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine/AerialManager.hpp"
#include "support/Fuzz.hpp"

namespace {

// The reader takes a path: each input is written to one file in a folder of this process,
// removed at exit.
const std::filesystem::path& inputFile() {
  static const std::filesystem::path file = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-fuzz-video-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    static const std::filesystem::path folder = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    });
    return folder / "input.mov";
  }();
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& file = inputFile();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const auto image = AerialManager::firstVideoFrame(file, 64, 64, kFuzzMaxImagePixels);
  if (image) {
    fuzzRequire(!image->empty() && static_cast<std::size_t>(image->width()) * static_cast<std::size_t>(image->height()) <= kFuzzMaxImagePixels,
                "a thumbnail stays within the pixel limit");
    fuzzRequire(image->pixels().size() == image->bytesPerRow() * static_cast<std::size_t>(image->height()),
                "a thumbnail holds all its pixels");
  }
  return 0;
}
