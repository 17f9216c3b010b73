// fbSetBack + fbRealize of an 800 x 480 x 32 frame against a plain memcpy of
// the same bytes: the two whole-screen copies every tick makes.
#include "display/framebuffer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "display/memory_framebuffer.h"

namespace {

// Seconds per iteration of f, measured over many rounds.
template <class F>
double secondsPer(F f, int rounds) {
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / rounds;
}

void BM_SetBackAndRealize(benchmark::State& state) {
  MemoryFrameBuffer fb(800, 480);
  std::memset(fb->backMem, 0x5A, fb->memSize);
  std::vector<uint8_t> a(fb->memSize, 1), b(fb->memSize, 2);
  for (auto _ : state) {
    fbSetBack(fb.get());
    fbRealize(fb.get());
    benchmark::ClobberMemory();
  }
  // The same two copies done with memcpy, for the ratio.
  const double ours = secondsPer(
      [&] {
        fbSetBack(fb.get());
        fbRealize(fb.get());
        benchmark::ClobberMemory();
      },
      200);
  const double plain = secondsPer(
      [&] {
        std::memcpy(a.data(), b.data(), a.size());
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::ClobberMemory();
      },
      200);
  state.counters["ratio_to_memcpy"] = ours / plain;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * fb->memSize);
}
BENCHMARK(BM_SetBackAndRealize)->Unit(benchmark::kMicrosecond);

void BM_PlainMemcpyPair(benchmark::State& state) {
  std::vector<uint8_t> a(800 * 480 * 4, 1), b(800 * 480 * 4, 2);
  for (auto _ : state) {
    std::memcpy(a.data(), b.data(), a.size());
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * a.size());
}
BENCHMARK(BM_PlainMemcpyPair)->Unit(benchmark::kMicrosecond);

}  // namespace
