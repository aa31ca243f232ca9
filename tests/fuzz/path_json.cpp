// The path element JSON reader, and the short outline text reader, with round trips.

#include "QRCode/core/QRCodePathHelpers.hpp"
#include "platform/graphics/Path.hpp"
#include "support/Fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gfx::Path path;
  if (fuzzAttempt([&] { path = CGPathCodable::decodePath(fuzzBytes(data, size)); })) {
    foundation::Bytes json;
    if (fuzzAttempt([&] { json = CGPathCodable::encodePath(path); })) {
      gfx::Path back;
      fuzzRequire(fuzzAttempt([&] { back = CGPathCodable::decodePath(json); }), "a written path reads back");
      fuzzRequire(back.size() == path.size(), "a path read back has its elements");
    }
    (void)path.bounds();
  }
  if (const auto outline = gfx::Path::parse(fuzzText(data, size))) (void)outline->bounds();
  return 0;
}
