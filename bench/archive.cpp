// Document archiving (settings, JSON, loading) and the content formatters.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeMessageFormatters.hpp"
#include "QRCode/document/QRCodeDocument.hpp"

namespace {

const std::string kURL = "https://vidlumen.example.com/wallpaper/waves-dp3YBose?utm_source=app";

std::shared_ptr<QRCodeDocument> styledDocument(bool withLogo) {
  auto document = std::make_shared<QRCodeDocument>(kURL, QRCode::ErrorCorrection::medium);
  document->design()->foregroundColor(qrcolor::sRGB(0.1, 0.2, 0.5, 1));
  document->design()->style()->setEye(QRCodeFillStyleSolid::withGray(0.2));
  document->design()->style()->setShadow(std::make_shared<QRCodeShadow>());
  if (withLogo)
    document->setLogoTemplate(
        QRCodeLogoTemplate::CircleCenterWithImage(gfx::Image::filled(64, 64, {0, 0, 200, 255}), 2));
  return document;
}

void BM_DocumentJSONData(benchmark::State& state) {
  const auto document = styledDocument(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(document->jsonData());
}
BENCHMARK(BM_DocumentJSONData)->Arg(0)->Arg(1);

// Reading back includes the regenerations of loading (content, level, design, logo, final).
void BM_DocumentFromJSON(benchmark::State& state) {
  const foundation::Bytes json = styledDocument(state.range(0) != 0)->jsonData();
  for (auto _ : state) benchmark::DoNotOptimize(QRCodeDocument::CreateWithJsonData(json));
}
BENCHMARK(BM_DocumentFromJSON)->Arg(0)->Arg(1);

void BM_DocumentFormattedJSON(benchmark::State& state) {
  const auto document = styledDocument(false);
  for (auto _ : state) benchmark::DoNotOptimize(document->jsonStringFormatted());
}
BENCHMARK(BM_DocumentFormattedJSON);

void BM_ContactCard(benchmark::State& state) {
  const QRCodeMessageContactName name("Doe", "Jane", std::nullopt, "Dr.", std::nullopt);
  const std::vector<QRCodeMessageContactAddress> addresses{
      {"HOME", std::nullopt, std::nullopt, "1 Main St", "Town", "Region", "12345", "NL"}};
  const std::vector<std::string> tel{"+1 555 0100", "+1 555 0199"}, mail{"jane@example.com"},
      urls{"https://example.com/jane"}, notes{"Met at the conference, likes tea;\n\n  call after 5"};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        QRCodeMessageContact(name, "Jane Doe", addresses, "Acme", "Engineer", tel, mail, urls, notes));
}
BENCHMARK(BM_ContactCard);

void BM_Event(benchmark::State& state) {
  const auto start = std::chrono::sys_seconds(std::chrono::seconds(1709647629));
  for (auto _ : state)
    benchmark::DoNotOptimize(QRCodeMessageEvent("Launch\r\nparty", "Dock 4", start, start + std::chrono::hours(2)));
}
BENCHMARK(BM_Event);

void BM_MailAndPhone(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(QRCodeMessageMail("jo smith@example.com", "Hello there", "See you at 5 & bye"));
    benchmark::DoNotOptimize(QRCodeMessagePhone("+1 (555) 010-9999 ext. \u0661\u0662"));
  }
}
BENCHMARK(BM_MailAndPhone);

}  // namespace
