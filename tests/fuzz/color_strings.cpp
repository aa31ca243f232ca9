// The colour readers (RGBA and hex colour strings) and the gradient string reader, with
// round trips through their writers.

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/core/QRCodeColor.hpp"
#include "support/Fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzzText(data, size);
  gfx::Color color;
  if (fuzzAttempt([&] { color = qrcolor::fromRGBAString(text); }))
    fuzzRequire(fuzzAttempt([&] { (void)qrcolor::fromRGBAString(qrcolor::rgbaString(color)); }), "a written colour reads back");
  if (fuzzAttempt([&] { color = qrcolor::fromHexString(text); }))
    fuzzRequire(fuzzAttempt([&] { (void)qrcolor::fromHexString(qrcolor::hexString(color)); }), "a written hex colour reads back");
  fuzzAttempt([&] {
    const KvelGradient gradient = KvelGradient::FromRGBAGradientString(text);
    const std::string written = gradient.asRGBAGradientString();
    fuzzRequire(fuzzAttempt([&] { (void)KvelGradient::FromRGBAGradientString(written); }),
                "a written gradient reads back");
  });
  return 0;
}
