// The document archive: JSON in, the document drawn small, written and read back.

#include <memory>

#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "support/Fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto engine = std::make_shared<QRCodeEngineExternal>();
  std::shared_ptr<QRCodeDocument> document;
  {
    // The document's own budget cannot hand out more than this one has.
    const ImagePixelBudget budget(kFuzzMaxImagePixels);
    if (!fuzzAttempt([&] { document = QRCodeDocument::CreateWithJsonData(fuzzBytes(data, size), engine); })) return 0;
  }
  fuzzAttempt([&] { (void)document->cgImageWithDimension(48); });
  fuzzAttempt([&] { (void)document->svgWithDimension(48); });
  foundation::Bytes json;
  if (!fuzzAttempt([&] { json = document->jsonData(); })) return 0;
  std::shared_ptr<QRCodeDocument> back;
  const ImagePixelBudget budget(kFuzzMaxImagePixels);
  fuzzRequire(fuzzAttempt([&] { back = QRCodeDocument::CreateWithJsonData(json, engine); }),
              "a written archive reads back");
  fuzzRequire(back->jsonData() == json, "an archive read back writes the same JSON");
  return 0;
}
