// One composed timer tick (everything but the sleep) of every page the panel
// shows: the five views of the main page, each button-bar page and the overlay
// screens over them, in microseconds and as a multiple of the two whole-frame
// copies every redraw needs at least.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

// The machine is shared: a batch that another process interrupts runs long.
// Ticks and copies are timed in alternating batches on the monotonic clock and
// the fastest batch of each counts, so both figures see the same machine.
template <class F>
double secondsPerRound(F f, int rounds) {
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / rounds;
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

// The two whole-frame copies every tick makes at least, on buffers of their own.
struct TwoCopies {
  std::vector<uint8_t> a = std::vector<uint8_t>(800 * 480 * 4, 1), b = std::vector<uint8_t>(800 * 480 * 4, 2);
  void operator()() {
    std::memcpy(a.data(), b.data(), a.size());
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::ClobberMemory();
  }
};

struct TickFigures {
  double tickSeconds = 1e9, copiesSeconds = 1e9;
};

template <class Tick>
TickFigures measureAgainstCopies(Tick tick) {
  TwoCopies copies;
  TickFigures best;
  for (int batch = 0; batch < 30; ++batch) {
    best.copiesSeconds = std::min(best.copiesSeconds, secondsPerRound(copies, 10));
    best.tickSeconds = std::min(best.tickSeconds, secondsPerRound(tick, 10));
  }
  return best;
}

void loadFonts() {
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu/";
    TTFLoad((dejavu + "DejaVuSans-Bold.ttf").c_str(), 24, 0);
    TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 22, 1);
    TTFLoad("/usr/share/fonts/truetype/paratype/PTS75F.ttf", 24, 4);
    TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 14, 6);
    TTFLoad((dejavu + "DejaVuSans-Oblique.ttf").c_str(), 24, 7);
    TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 20, 8);
    TTFLoad((dejavu + "DejaVuSans-Bold.ttf").c_str(), 21, 11);
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

  explicit Scene(int screenPage, int menuPage = 0, int statusView = 0, int linkFault = 0) {
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
    // The page and overlay as the keys leave them; with the tables filled.
    w->menuPage = menuPage;
    w->menuRow = menuPage == kLumoValueEdit ? 9 : 3;  // the address row while editing
    w->statusView = statusView;
    w->linkFault = linkFault;
    for (int i = 0; i < kBandRowsMax; ++i) w->bandTab[i] = row;
    w->bandRows = kBandRowsMax;
    w->bandSelRow = 2;
    w->bandSelCol = menuPage == kLumoAntennaEdit ? 1 : -1;
    for (int i = 0; i < kFilterEntries; ++i) w->filterTab[i] = {1800000 * (i + 1), 2000000 * (i + 1), 1};
    if (screenPage == 5) {
      divX = 8;
      xRangeEnd = 427;
      w->spanHz = 80000;
    }
  }
  void tick() { TimerCompose(works.get(), state, 1700000000); }
};

void runTicks(benchmark::State& bs, int page, int menuPage = 0, int statusView = 0, int linkFault = 0) {
  Scene scene(page, menuPage, statusView, linkFault);
  for (auto _ : bs) {
    scene.tick();
    benchmark::ClobberMemory();
  }
  const TickFigures f = measureAgainstCopies([&] {
    scene.tick();
    benchmark::ClobberMemory();
  });
  bs.counters["tick_us"] = f.tickSeconds * 1e6;
  bs.counters["two_copies_us"] = f.copiesSeconds * 1e6;
  bs.counters["x_two_frame_copies"] = f.tickSeconds / f.copiesSeconds;
  platform::setLogObserver({});
}

void BM_MeterPageTick(benchmark::State& bs) { runTicks(bs, 1); }
void BM_SwrPageTick(benchmark::State& bs) { runTicks(bs, 2); }
void BM_ThirdMeterPageTick(benchmark::State& bs) { runTicks(bs, 3); }
void BM_SpectrumWideTick(benchmark::State& bs) { runTicks(bs, 4); }
void BM_SpectrumNarrowTick(benchmark::State& bs) { runTicks(bs, 5); }
// The button-bar pages over the meter view, and the overlay screens.
void BM_PageTick(benchmark::State& bs, int menuPage, int statusView, int linkFault) {
  runTicks(bs, 1, menuPage, statusView, linkFault);
}

void BM_TwoFrameCopies(benchmark::State& bs) {
  TwoCopies copies;
  for (auto _ : bs) copies();
}

BENCHMARK(BM_MeterPageTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SwrPageTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThirdMeterPageTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpectrumWideTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpectrumNarrowTick)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 01_setup_list, kLumoSetupList, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 02_value_edit_address, kLumoValueEdit, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 03_tune, kLumoTune, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 04_manual_tune, kLumoManualTune, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 05_failed_link, kLumoFailedLink, 0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 06_utilities_band_table, kLumoUtilities, 2, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 07_antenna_edit, kLumoAntennaEdit, 2, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 08_save_tune, kLumoSaveTune, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 09_bank_utilities, kLumoBankUtilities, 2, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 10_bank_copy, kLumoBankCopy, 2, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 11_bank_reset, kLumoBankReset, 2, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, 12_filters, kLumoFilters, 4, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, information_screen, 0, 1, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageTick, setup_list_over_information, kLumoSetupList, 1, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwoFrameCopies)->Unit(benchmark::kMicrosecond);

}  // namespace
