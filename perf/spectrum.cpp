// The receiver's spectrum path for one transfer: 8192 integers scaled to
// floats, then the windowed transform, dB bytes and decimation, for both
// transform sizes. A transfer of 4096 samples at 192 kHz arrives every
// 21.3 ms; when every transfer is transformed (`Divide` 1) the path must
// stay well inside that on the board.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "links/vyr_read.h"
#include "platform/usb_receiver.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

constexpr double kBudgetMs = 4096.0 * 1000.0 / platform::kReceiverSampleRate;

void noSink(Works*, const uint8_t* data, int length) { benchmark::DoNotOptimize(data[length - 1]); }

// One transfer as the receiver sends it: a carrier and a little of everything else.
std::vector<uint8_t> transfer() {
  std::vector<uint8_t> bytes(platform::kReceiverTransferBytes);
  for (int i = 0; i < 8192; ++i) {
    const double phase = 2 * std::numbers::pi * 0.1 * (i / 2) + (i % 2 ? std::numbers::pi / 2 : 0);
    const auto v = static_cast<int32_t>(1e7 * std::cos(phase) + (i * 7919 % 2001) - 1000);
    std::memcpy(&bytes[static_cast<size_t>(i) * 4], &v, 4);  // little-endian on every target
  }
  return bytes;
}

void BM_SpectrumPerTransfer(benchmark::State& state) {
  Works w{};
  SetupRecord setup{};
  w.setup = &setup;
  w.wsConnected = 1;
  setup.Enable1600 = state.range(0) == 4096 ? '1' : '0';
  SetSpectrumSink(noSink);
  const std::vector<uint8_t> raw = transfer();
  std::vector<float> samples(8192);
  fftCalc(samples.data(), 8192, &w);  // the plans are made once, before the clock runs
  for (auto _ : state) {
    ScaleSamples(raw.data(), static_cast<int>(raw.size()), 7.85f, samples.data(), 8192);
    fftCalc(samples.data(), 8192, &w);
  }
  SetSpectrumSink(nullptr);
  state.counters["budget_ms"] = kBudgetMs;
}
BENCHMARK(BM_SpectrumPerTransfer)->Arg(2048)->Arg(4096)->Unit(benchmark::kMicrosecond);

void BM_ScaleOnly(benchmark::State& state) {
  const std::vector<uint8_t> raw = transfer();
  std::vector<float> samples(8192);
  for (auto _ : state) {
    ScaleSamples(raw.data(), static_cast<int>(raw.size()), 7.85f, samples.data(), 8192);
    benchmark::DoNotOptimize(samples.data());
  }
}
BENCHMARK(BM_ScaleOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
