// The thumbnail helper: reads the first frame of one video file for the application, in a
// process of its own whose memory and processor time are limited, so that no file can take
// more of either (the application also kills it at a deadline). See
// app/engine/ThumbnailHelperProtocol.hpp for what it is given and what it answers.

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/engine/AerialManager.hpp"
#include "app/engine/ThumbnailHelperProtocol.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define VL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VL_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

// Processor seconds: the reader inside gives up at 5 s, this holds if it cannot.
constexpr rlim_t kMaxProcessorSeconds = 6;

void limitResources() {
#ifndef VL_ADDRESS_SANITIZER
  // The address space the helper may map: the largest frame's decoding (a few hundred MB)
  // fits with room to spare; a sample index or decoder that wants more fails to allocate.
  // (The address sanitizer reserves terabytes of shadow memory; its own limit of the same
  // size applies there, see __asan_default_options below.)
  constexpr rlim_t kMaxAddressSpace = 1200ull * 1000 * 1000;
  const rlimit space{kMaxAddressSpace, kMaxAddressSpace};
  setrlimit(RLIMIT_AS, &space);
#endif
  const rlimit processor{kMaxProcessorSeconds, kMaxProcessorSeconds + 1};
  setrlimit(RLIMIT_CPU, &processor);
  // Stopped at that limit, it leaves no core file of its gigabyte behind.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
}

bool writeAll(const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(STDOUT_FILENO, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

template <class Number>
std::optional<Number> parse(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

#ifdef VL_ADDRESS_SANITIZER
// The memory limit under the address sanitizer, where RLIMIT_AS cannot be used.
extern "C" const char* __asan_default_options() {
  return "hard_rss_limit_mb=1200:allocator_may_return_null=1:detect_leaks=0";
}
#endif

int main(int argc, char** argv) {
  limitResources();
  if (argc != 5) return 2;
  const auto coverWidth = parse<int>(argv[2]);
  const auto coverHeight = parse<int>(argv[3]);
  const auto maxPixels = parse<std::size_t>(argv[4]);
  if (!coverWidth || !coverHeight || !maxPixels) return 2;
  const auto image = AerialManager::firstVideoFrame(argv[1], *coverWidth, *coverHeight, *maxPixels);
  const thumbnailhelper::Header header{thumbnailhelper::kMagic, image ? static_cast<std::uint32_t>(image->width()) : 0,
                                       image ? static_cast<std::uint32_t>(image->height()) : 0};
  if (!writeAll(&header, sizeof header)) _exit(1);
  if (image && !writeAll(image->pixels().data(), image->pixels().size())) _exit(1);
  // Nothing is left to tidy that the end of the process does not.
  _exit(0);
}
