// A program that uses the installed QR library the way a server would: no display, one
// styled PNG of a URL written to the file named on the command line. It also has names of
// its own that the library must not take (sRGB, gifWrite) and reads JSON with nlohmann's
// implicit conversions, which the library must leave on for it.

#include <cstdio>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "QRCode/QRCode+Document.hpp"
#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePixelShape.hpp"

// The consumer's own colour helper and GIF writer, with the names the library's used to have.
struct Colour {
  double r, g, b, a;
};
Colour sRGB(double r, double g, double b, double a) { return {r, g, b, a}; }
int gifWrite(const char* path) { return path == nullptr ? 1 : 0; }

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s URL OUTPUT.png\n", argv[0]);
    return 2;
  }
  const nlohmann::json options = nlohmann::json::parse(R"({"a": "on", "red": 0.1})");
  const std::string implicitText = options["a"];
  const double red = options["red"];
  if (implicitText != "on" || sRGB(red, 0.2, 0.5, 1).r != red || gifWrite(argv[2]) != 0) return 3;
  try {
    auto document = QRCodeDocument::withURL(argv[1], QRCode::ErrorCorrection::high);
    document->design()->shape()->setOnPixels(QRCodePixelShapeCircle::Create());
    document->design()->shape()->setEye(QRCodeEyeShapeLeaf::Create());
    document->design()->style()->setOnPixels(QRCodeFillStyleSolid::withSrgbRed(red, 0.2, 0.5));
    const foundation::Bytes png = document->pngDataWithDimension(400, 72);
    std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                   static_cast<std::streamsize>(png.size()));
  } catch (const foundation::Error& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
