// One 800 x 480 screen through the JPEG layer as the screen sender and the
// receivers use it (4 bytes per pixel, 4:2:0, standard tables), next to a
// plain copy of the same bytes. Prints the encoded size per quality: the
// bytes a screen image costs on the wire.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "jpeg/jpgd.h"
#include "jpeg/jpge.h"

namespace {

constexpr int kW = 800, kH = 480;

// A screen-like picture: a dark background with gradients, gauge-sized
// discs and rows of small high-contrast marks standing for text.
std::vector<uint8_t> screen() {
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH * 4);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * kW + x) * 4];
      const int dx = x % 400 - 200, dy = y - 200;
      const bool disc = dx * dx + dy * dy < 150 * 150;
      const bool text = y > 400 && (x / 3 + y / 4) % 5 == 0;
      p[0] = static_cast<uint8_t>(disc ? 230 : 20 + y / 8);
      p[1] = static_cast<uint8_t>(disc ? 230 : text ? 255 : 30);
      p[2] = static_cast<uint8_t>(disc ? 220 : text ? 255 : 20 + x / 16);
      p[3] = 0;
    }
  return px;
}

std::vector<uint8_t> encode(const std::vector<uint8_t>& px, int quality) {
  std::vector<uint8_t> out(px.size());
  int size = static_cast<int>(out.size());
  jpge::params p;
  p.m_quality = quality;
  p.m_subsampling = jpge::H2V2;
  jpge::compress_image_to_jpeg_file_in_memory(out.data(), size, kW, kH, 4, px.data(), p);
  out.resize(static_cast<size_t>(size));
  return out;
}

void BM_Encode(benchmark::State& state) {
  const std::vector<uint8_t> px = screen();
  std::vector<uint8_t> out(px.size());
  jpge::params p;
  p.m_quality = static_cast<int>(state.range(0));
  int size = 0;
  for (auto _ : state) {
    size = static_cast<int>(out.size());
    jpge::compress_image_to_jpeg_file_in_memory(out.data(), size, kW, kH, 4, px.data(), p);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["jpeg_bytes"] = size;
  state.counters["raw_bytes"] = static_cast<double>(px.size());
  state.counters["chunks"] = (size + 511) / 512;
}
BENCHMARK(BM_Encode)->Arg(100)->Arg(85)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
  const std::vector<uint8_t> jpg = encode(screen(), static_cast<int>(state.range(0)));
  for (auto _ : state) {
    int w, h, c;
    unsigned char* px = jpgd::decompress_jpeg_image_from_memory(jpg.data(), static_cast<int>(jpg.size()), &w, &h, &c, 4);
    benchmark::DoNotOptimize(px);
    std::free(px);
  }
}
BENCHMARK(BM_Decode)->Arg(100)->Arg(85)->Unit(benchmark::kMillisecond);

void BM_PlainCopy(benchmark::State& state) {
  const std::vector<uint8_t> px = screen();
  std::vector<uint8_t> out(px.size());
  for (auto _ : state) {
    std::memcpy(out.data(), px.data(), px.size());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond);

}  // namespace
