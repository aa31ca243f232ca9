// Matrix generation through both engines, side by side with calling their libraries
// directly, for a 60-byte URL and for a version-40 payload (2953 bytes at level L).

#include <benchmark/benchmark.h>
#include <qrcodegen.hpp>
#include <qrencode.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "QRCode/QRCode+Core.hpp"

namespace {

const std::string& url60() {
  static const std::string url = "https://vidlumen.app/wallpaper/northern-lights?utm_source=qr";
  return url;
}

const std::vector<std::uint8_t>& payload40() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> b(2953);
    std::mt19937 rng(40);
    for (auto& v : b) v = static_cast<std::uint8_t>(rng());
    return b;
  }();
  return bytes;
}

// --- libqrencode directly and through the default engine ---------------------------------

void rawQrencode(benchmark::State& state, const std::uint8_t* data, int size, QRecLevel level) {
  for (auto _ : state) {
    QRcode* code = QRcode_encodeData(size, data, 0, level);
    if (!code) {
      state.SkipWithError("libqrencode failed");
      break;
    }
    benchmark::DoNotOptimize(code->data);
    QRcode_free(code);
  }
}

void BM_Qrencode_URL(benchmark::State& state) {
  rawQrencode(state, reinterpret_cast<const std::uint8_t*>(url60().data()),
              static_cast<int>(url60().size()), QR_ECLEVEL_M);
}
void BM_Qrencode_V40(benchmark::State& state) {
  rawQrencode(state, payload40().data(), static_cast<int>(payload40().size()), QR_ECLEVEL_L);
}

void BM_EngineCoreImage_URL(benchmark::State& state) {
  QRCodeEngineCoreImage engine;
  for (auto _ : state) {
    QRCodeBoolMatrix m = engine.generateWithText(url60(), 1);
    benchmark::DoNotOptimize(m.data());
  }
}
void BM_EngineCoreImage_V40(benchmark::State& state) {
  QRCodeEngineCoreImage engine;
  for (auto _ : state) {
    QRCodeBoolMatrix m = engine.generateWithData(payload40(), 0);
    benchmark::DoNotOptimize(m.data());
  }
}

// --- qrcodegen directly and through the external engine -----------------------------------

void BM_Qrcodegen_URL(benchmark::State& state) {
  for (auto _ : state) {
    qrcodegen::QrCode code = qrcodegen::QrCode::encodeText(url60().c_str(), qrcodegen::QrCode::Ecc::MEDIUM);
    benchmark::DoNotOptimize(code.getModule(0, 0));
  }
}
void BM_Qrcodegen_V40(benchmark::State& state) {
  for (auto _ : state) {
    qrcodegen::QrCode code = qrcodegen::QrCode::encodeBinary(payload40(), qrcodegen::QrCode::Ecc::LOW);
    benchmark::DoNotOptimize(code.getModule(0, 0));
  }
}

void BM_EngineExternal_URL(benchmark::State& state) {
  QRCodeEngineExternal engine;
  for (auto _ : state) {
    QRCodeBoolMatrix m = engine.generateWithText(url60(), 1);
    benchmark::DoNotOptimize(m.data());
  }
}
void BM_EngineExternal_V40(benchmark::State& state) {
  QRCodeEngineExternal engine;
  for (auto _ : state) {
    QRCodeBoolMatrix m = engine.generateWithData(payload40(), 0);
    benchmark::DoNotOptimize(m.data());
  }
}

// --- the model on top (engine plus the shared matrix) --------------------------------------

void BM_QRCodeModel_URL(benchmark::State& state) {
  QRCode code;
  for (auto _ : state) {
    code.updateWithText(url60(), QRCode::ErrorCorrection::medium);
    benchmark::DoNotOptimize(code.boolMatrix().get());
  }
}

// --- interleaved pairs: raw library and engine alternate call by call, so that load from
// other processes falls on both alike; the counters give the engine's overhead. ---------

template <class Raw, class Engine>
void interleaved(benchmark::State& state, Raw raw, Engine engine) {
  using Clock = std::chrono::steady_clock;
  Clock::duration rawTotal{}, engineTotal{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    raw();
    const auto t1 = Clock::now();
    engine();
    const auto t2 = Clock::now();
    rawTotal += t1 - t0;
    engineTotal += t2 - t1;
  }
  const double rawUs = std::chrono::duration<double, std::micro>(rawTotal).count();
  const double engineUs = std::chrono::duration<double, std::micro>(engineTotal).count();
  const auto n = static_cast<double>(state.iterations());
  state.counters["raw_us"] = rawUs / n;
  state.counters["engine_us"] = engineUs / n;
  state.counters["overhead_pct"] = (engineUs / rawUs - 1.0) * 100.0;
}

void BM_Pair_CoreImage_URL(benchmark::State& state) {
  QRCodeEngineCoreImage engine;
  const auto* data = reinterpret_cast<const std::uint8_t*>(url60().data());
  const int size = static_cast<int>(url60().size());
  interleaved(
      state,
      [&] {
        QRcode* code = QRcode_encodeData(size, data, 0, QR_ECLEVEL_M);
        benchmark::DoNotOptimize(code);
        QRcode_free(code);
      },
      [&] { benchmark::DoNotOptimize(engine.generateWithText(url60(), 1).data()); });
}
void BM_Pair_CoreImage_V40(benchmark::State& state) {
  QRCodeEngineCoreImage engine;
  interleaved(
      state,
      [&] {
        QRcode* code = QRcode_encodeData(static_cast<int>(payload40().size()), payload40().data(), 0,
                                         QR_ECLEVEL_L);
        benchmark::DoNotOptimize(code);
        QRcode_free(code);
      },
      [&] { benchmark::DoNotOptimize(engine.generateWithData(payload40(), 0).data()); });
}
void BM_Pair_External_URL(benchmark::State& state) {
  QRCodeEngineExternal engine;
  interleaved(
      state,
      [&] {
        auto code = qrcodegen::QrCode::encodeText(url60().c_str(), qrcodegen::QrCode::Ecc::MEDIUM);
        benchmark::DoNotOptimize(code.getModule(0, 0));
      },
      [&] { benchmark::DoNotOptimize(engine.generateWithText(url60(), 1).data()); });
}
void BM_Pair_External_V40(benchmark::State& state) {
  QRCodeEngineExternal engine;
  interleaved(
      state,
      [&] {
        auto code = qrcodegen::QrCode::encodeBinary(payload40(), qrcodegen::QrCode::Ecc::LOW);
        benchmark::DoNotOptimize(code.getModule(0, 0));
      },
      [&] { benchmark::DoNotOptimize(engine.generateWithData(payload40(), 0).data()); });
}

}  // namespace

BENCHMARK(BM_Pair_CoreImage_URL);
BENCHMARK(BM_Pair_CoreImage_V40);
BENCHMARK(BM_Pair_External_URL);
BENCHMARK(BM_Pair_External_V40);
BENCHMARK(BM_Qrencode_URL);
BENCHMARK(BM_EngineCoreImage_URL);
BENCHMARK(BM_Qrcodegen_URL);
BENCHMARK(BM_EngineExternal_URL);
BENCHMARK(BM_Qrencode_V40);
BENCHMARK(BM_EngineCoreImage_V40);
BENCHMARK(BM_Qrcodegen_V40);
BENCHMARK(BM_EngineExternal_V40);
BENCHMARK(BM_QRCodeModel_URL);
