// One composed timer tick (everything but the sleep) of the meter page and of
// the spectrum page, in microseconds and as a multiple of the two whole-frame
// copies every redraw needs at least.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "display/memory_framebuffer.h"
#include "display/text.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "sandbox.h"
#include "state/fft_record.h"
#include "state/init_globals.h"
#include "state/setup_record.h"
#include "state/works.h"
#include "ui/grid.h"
#include "ui/menu.h"
#include "ui/timer_tick.h"

namespace {

// The machine is shared, so the figures are processor time of this thread,
// not wall time.
double threadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

template <class F>
double secondsPer(F f, int rounds) {
  const double t0 = threadSeconds();
  for (int i = 0; i < rounds; ++i) f();
  return (threadSeconds() - t0) / rounds;
}

// The program's paths lead into a scratch sandbox, so the tick's commands
// (the processor temperature) are answered by the simulation.
void enterSandbox() {
  static std::once_flag once;
  std::call_once(once, [] {
    static char tmpl[] = "/tmp/hfamp-bench-XXXXXX";
    const std::string root = ::mkdtemp(tmpl);
    sim::makeSandbox(root);
    platform::setRoot(root);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(tmpl, ec);
    });
  });
}

double twoFrameCopies() {
  static const double seconds = [] {
    std::vector<uint8_t> a(800 * 480 * 4, 1), b(800 * 480 * 4, 2);
    return secondsPer(
        [&] {
          std::memcpy(a.data(), b.data(), a.size());
          std::memcpy(b.data(), a.data(), a.size());
          benchmark::ClobberMemory();
        },
        500);
  }();
  return seconds;
}

void loadFonts() {
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu/";
    TTFLoad((dejavu + "DejaVuSans-Bold.ttf").c_str(), 24, 0);
    TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 22, 1);
    TTFLoad("/usr/share/fonts/truetype/paratype/PTS75F.ttf", 24, 4);
    TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 14, 6);
    TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 20, 8);
  });
}

// A program state as the timer sees it in use: live readings, a band table,
// the clock shown, a spectrum with a few signals.
struct Scene {
  std::unique_ptr<Works> works = std::make_unique<Works>();
  SetupRecord setup{};
  std::mutex serMutex;
  std::vector<std::atomic<int32_t>> bins = std::vector<std::atomic<int32_t>>(kFftBins);
  FftRecord fft{};
  MemoryFrameBuffer fb{800, 480};
  TimerState state;

  explicit Scene(int screenPage) {
    enterSandbox();
    platform::setLogObserver([](const std::string&) {});
    loadFonts();
    Works* w = works.get();
    InitGlobalVar(w);
    w->setup = &setup;
    w->serMutexPtr = &serMutex;
    w->fb = fb.get();
    w->imgReload = 0;
    w->ModeWorkIdx = 0;
    w->ampFreq = 14070000;
    w->screenPage = screenPage;
    w->EnablePwrPeak = 1;
    w->ViewTimeStr = 1;
    w->pwrFwd = 42.5f;
    w->pwrFwdPeak = 48;
    w->pwrRefl = 1.2f;
    w->swrValue = 1.4f;
    w->paTemp1 = 35;
    w->paTemp2 = 38;
    w->lastKeyTime = 2000000000;  // far from the screen saver
    BandRow row{"20m", 14000000, 14350000, 1, 1, 0, 0, 50};
    w->bandTab[0] = row;
    w->bandRows = 1;
    for (int i = 0; i < kFftBins; ++i) {
      const float db = -100.0f + 8.0f * std::sin(i * 0.37f) + (i % 97 == 0 ? 50.0f : 0.0f);
      bins[i] = std::bit_cast<int32_t>(db);
    }
    fft.bufferA = bins.data();
    fft.bufferB = bins.data();
    w->fftRec = &fft;
    std::memset(fb->backMem, 0xC8, fb->memSize);
    InitMenuLumo(w);
    TimerStart(w, state);
    if (screenPage == 5) {
      divX = 8;
      xRangeEnd = 427;
      w->spanHz = 80000;
    }
  }
  void tick() { TimerCompose(works.get(), state, 1700000000); }
};

void runTicks(benchmark::State& bs, int page) {
  Scene scene(page);
  for (auto _ : bs) {
    scene.tick();
    benchmark::ClobberMemory();
  }
  const double perTick = secondsPer([&] { scene.tick(); }, 200);
  bs.counters["tick_us"] = perTick * 1e6;
  bs.counters["x_two_frame_copies"] = perTick / twoFrameCopies();
  platform::setLogObserver({});
}

void BM_MeterPageTick(benchmark::State& bs) { runTicks(bs, 1); }
void BM_SwrPageTick(benchmark::State& bs) { runTicks(bs, 2); }
void BM_SpectrumWideTick(benchmark::State& bs) { runTicks(bs, 4); }
void BM_SpectrumNarrowTick(benchmark::State& bs) { runTicks(bs, 5); }

void BM_TwoFrameCopies(benchmark::State& bs) {
  std::vector<uint8_t> a(800 * 480 * 4, 1), b(800 * 480 * 4, 2);
  for (auto _ : bs) {
    std::memcpy(a.data(), b.data(), a.size());
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_MeterPageTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SwrPageTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpectrumWideTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpectrumNarrowTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwoFrameCopies)->Unit(benchmark::kMicrosecond);

}  // namespace
