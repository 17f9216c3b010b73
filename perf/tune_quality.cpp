// How good and how quick the automatic tune is. A fixed, seeded set of loads
// across 1.8-54 MHz, each 1.5:1 to 10:1 without the tuner, is tuned by the
// program's own TuneTask against the simulated tuner, one step per simulated
// status reply, and scored against the best setting the relays allow (found by
// trying them all). Each search runs with no target SWR (the default: the
// whole sequence) and with a target of 1.5. A real tune over the link then
// gives the poll rate that turns polls into seconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "amp/cmd_ring.h"
#include "amp/decode_reply.h"
#include "amp/errors.h"
#include "amp/linear.h"
#include "link_rig.h"
#include "platform/clock.h"
#include "state/tune_fields.h"
#include "tables/tuner_memory.h"
#include "tune/autotune.h"
#include "tune/autotune_control.h"
#include "tuner_model.h"

namespace {

constexpr int kLoads = 60;
constexpr float kDriveFwdW = 50;
constexpr double kDetectorK = 1.0e-5;  // watts per count squared, as the simulated detectors

struct Load {
  double hz;
  sim::Impedance z;
  double bareSwr;
};

std::vector<Load> makeLoads() {
  std::mt19937 rng(20261209);
  std::uniform_real_distribution<double> logHz(std::log(1.8e6), std::log(54e6));
  std::uniform_real_distribution<double> logSwr(std::log(1.5), std::log(10.0));
  std::uniform_real_distribution<double> phase(0, 2 * M_PI);
  std::vector<Load> loads;
  for (int i = 0; i < kLoads; ++i) {
    const double hz = std::exp(logHz(rng)), swr = std::exp(logSwr(rng));
    const std::complex<double> gamma = std::polar((swr - 1) / (swr + 1), phase(rng));
    loads.push_back({hz, 50.0 * (1.0 + gamma) / (1.0 - gamma), swr});
  }
  return loads;
}

double tunerSwr(uint32_t word, const Load& load) {
  return sim::SwrOf(sim::TunerInputImpedance(sim::DecodeTuneWord(word), load.hz, load.z));
}

// The reading the program makes of it: both detectors in whole counts.
float measuredSwr(double swr) {
  const double rho = std::isfinite(swr) ? (swr - 1) / (swr + 1) : 1.0;
  const auto counts = [](double w) { return std::min(4095.0, std::round(std::sqrt(w / kDetectorK))); };
  const double fwd = kDetectorK * std::pow(counts(kDriveFwdW), 2);
  const double refl = kDetectorK * std::pow(counts(kDriveFwdW * rho * rho), 2);
  return CalcolaSWR(static_cast<float>(fwd), static_cast<float>(refl));
}

struct Outcome {
  int polls = 0, relayChanges = 0;
  double swr = 0;
  bool stored = false;
};

int bitsChanged(uint32_t a, uint32_t b) { return __builtin_popcount(a ^ b); }

// A fresh antenna: nothing stored for the fast search to start from.
void ClearTuneMemory(Works* w) { ParseTabAtu(w, w->antennaIndex, ""); }

Outcome tune(Works* w, const Load& load, int search, float target) {
  w->freq = static_cast<uint32_t>(load.hz);
  w->TuneSearch = search;
  w->SWRescAutoTune = target;
  w->ampStatus[1] = 0x01;  // transmitting the tune carrier
  StartAutotune(w);
  while (TakeCMDLinear(w) >= 0) {
  }
  w->cmdQueueActive = 0;
  Outcome out;
  uint32_t sent = w->tuneWord;
  const int errorsBefore = ExistError(w, kErrTuneMaxSwr);
  while (w->tunerRunning && out.polls < 2000) {
    w->swrValue = measuredSwr(tunerSwr(w->tuneWord, load));
    w->pwrFwd = kDriveFwdW;
    TuneTask(w);
    if (w->tunerRunning == 2) w->tunerRunning = 1;
    out.relayChanges += bitsChanged(sent, w->tuneWord);
    sent = w->tuneWord;
    ++out.polls;
  }
  out.swr = tunerSwr(w->tuneWord, load);
  out.stored = ExistError(w, kErrTuneMaxSwr) == errorsBefore && out.swr <= kTuneMaxStoredSwr;
  DeleteErrore(w, kErrTuneMaxSwr);
  while (TakeCMDLinear(w) >= 0) {
  }
  return out;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct LinkTune {
  double pollsPerSecond = 0, seconds = 0, wireSeconds = 0, swr = 0;
  int polls = 0;
};

// One real tune over the pseudo-terminal against a 25 + j40 ohm load on 20 m:
// every status reply is followed by the tune word and its echo.
LinkTune tuneOverLink(LinkRig& rig) {
  Works* w = rig.works.get();
  w->ModeWorkIdx = 0;
  w->AutoTuneMode = kAtmEnabled;
  w->TuneSearch = 0;
  w->SWRescAutoTune = 0;
  const sim::Impedance z{25, 40};
  rig.amp.setAntennaLoad(0, *sim::LoadModel::Fixed(z.real(), z.imag()));
  rig.amp.setDrive(10);
  rig.amp.setTransmit(true);
  w->running = 1;
  std::thread link(Linear, w);
  platform::sleepMs(1500);  // the start-up commands
  rig.amp.clearReceived();
  const double start = platform::monotonicSeconds();
  StartAutotune(w);
  while (w->tunerRunning && platform::monotonicSeconds() - start < 60) platform::sleepMs(5);
  LinkTune out;
  out.seconds = platform::monotonicSeconds() - start;
  w->running = 0;
  link.join();
  // The wire's own pace: from the start's first command to the last tune word.
  // Storing the result (a file written through a remount) comes after that.
  const auto rec = rig.amp.received();
  int64_t first = rec.empty() ? 0 : rec.front().ms, last = first;
  for (const auto& r : rec)
    if (r.text.rfind("MT1", 0) == 0) last = r.ms;
  for (const auto& r : rec) out.polls += r.text == "ST;" && r.ms <= last;
  out.wireSeconds = (last - first) / 1000.0;
  out.pollsPerSecond = out.wireSeconds > 0 ? out.polls / out.wireSeconds : 0;
  out.swr = tunerSwr(rig.amp.model().tuneWord, Load{14070000, z, 0});
  rig.amp.setTransmit(false);
  ClearTuneMemory(w);
  return out;
}

void BM_TuneQuality(benchmark::State& state) {
  LinkRig rig("tune");
  platform::setLogOutput(false);
  Works* w = rig.works.get();
  const std::vector<Load> loads = makeLoads();
  std::vector<double> optimum;
  for (const Load& l : loads) optimum.push_back(sim::BestSetting(l.hz, l.z).swr);
  const LinkTune real = tuneOverLink(rig);
  const double rate = real.pollsPerSecond;
  for (auto _ : state) {
    std::printf("\n%d loads, 1.8-54 MHz, %.1f:1 to %.1f:1 bare; optimum SWR median %.2f, worst %.2f\n", kLoads,
                std::min_element(loads.begin(), loads.end(), [](auto& a, auto& b) { return a.bareSwr < b.bareSwr; })->bareSwr,
                std::max_element(loads.begin(), loads.end(), [](auto& a, auto& b) { return a.bareSwr < b.bareSwr; })->bareSwr,
                median(optimum), *std::max_element(optimum.begin(), optimum.end()));
    std::printf("a sweep over the link (25+j40 ohm, 14.07 MHz): %d polls in %.2f s on the wire (%.1f polls/s), "
                "%.2f s with storing; SWR %.2f\n",
                real.polls, real.wireSeconds, rate, real.seconds, real.swr);
    std::printf("%-12s %-7s %7s %7s %9s %9s %6s %7s %8s %9s\n", "search", "target", "polls", "worst", "ratio", "worst",
                "<=1.5", "stored", "relays", "seconds");
    for (int search : {0, 1}) {
      for (float target : {0.0f, 1.5f}) {
        std::vector<double> polls, ratio, relays;
        int good = 0, stored = 0;
        for (size_t i = 0; i < loads.size(); ++i) {
          ClearTuneMemory(w);
          Outcome o = tune(w, loads[i], search, target);
          polls.push_back(o.polls);
          ratio.push_back(o.swr / optimum[i]);
          relays.push_back(o.relayChanges);
          good += o.swr <= 1.5;
          stored += o.stored;
        }
        std::printf("%-12s %-7s %7.0f %7.0f %9.3f %9.3f %3d/%d %4d/%d %8.0f %9.1f\n", search ? "fast" : "sweep",
                    target > 0 ? "1.5" : "none", median(polls), *std::max_element(polls.begin(), polls.end()),
                    median(ratio), *std::max_element(ratio.begin(), ratio.end()), good, kLoads, stored, kLoads,
                    median(relays), median(polls) / rate);
        const std::string key = std::string(search ? "fast" : "sweep") + (target > 0 ? "_t15" : "");
        state.counters[key + "_polls_median"] = median(polls);
        state.counters[key + "_ratio_median"] = median(ratio);
      }
    }
  }
  // The fast search again a little higher up the band, with the first tune
  // stored in the slot below.
  std::vector<double> polls, ratio;
  for (const Load& l : loads) {
    ClearTuneMemory(w);
    tune(w, l, 1, 0);
    const Load up{l.hz * 1.004, l.z, l.bareSwr};
    Outcome o = tune(w, up, 1, 0);
    polls.push_back(o.polls);
    ratio.push_back(o.swr / sim::BestSetting(up.hz, up.z).swr);
  }
  std::printf("%-12s %-7s %7.0f %7.0f %9.3f %9.3f   (a neighbouring slot stored)\n", "fast+memory", "none",
              median(polls), *std::max_element(polls.begin(), polls.end()), median(ratio),
              *std::max_element(ratio.begin(), ratio.end()));
  state.counters["fast_memory_polls_median"] = median(polls);
  state.counters["tune_polls_per_s"] = rate;
}
BENCHMARK(BM_TuneQuality)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// One brute-force optimum, the reference the scores above are taken against.
void BM_BestSettingPerLoad(benchmark::State& state) {
  const std::vector<Load> loads = makeLoads();
  size_t i = 0;
  for (auto _ : state) {
    const Load& l = loads[i++ % loads.size()];
    benchmark::DoNotOptimize(sim::BestSetting(l.hz, l.z));
  }
}
BENCHMARK(BM_BestSettingPerLoad)->Unit(benchmark::kMillisecond);

}  // namespace
