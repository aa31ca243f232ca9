// A program that uses the installed QR library the way a server would: no display, one
// styled PNG of a URL written to the file named on the command line.

#include <cstdio>
#include <fstream>

#include "QRCode/QRCode+Document.hpp"
#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePixelShape.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s URL OUTPUT.png\n", argv[0]);
    return 2;
  }
  try {
    auto document = QRCodeDocument::withURL(argv[1], QRCode::ErrorCorrection::high);
    document->design()->shape()->setOnPixels(QRCodePixelShapeCircle::Create());
    document->design()->shape()->setEye(QRCodeEyeShapeLeaf::Create());
    document->design()->style()->setOnPixels(QRCodeFillStyleSolid::withSrgbRed(0.1, 0.2, 0.5));
    const foundation::Bytes png = document->pngDataWithDimension(400, 72);
    std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                   static_cast<std::streamsize>(png.size()));
  } catch (const foundation::Error& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
