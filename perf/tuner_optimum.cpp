// Time of the brute-force tuner optimum (2 x 512 x 512 settings and bypass)
// per load, as the tune-quality benchmark calls it once for each of its
// loads; and how good the optimum is for those loads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "tuner_model.h"

namespace {

struct Case {
  double hz;
  sim::Impedance load;
};

// A fixed, seeded spread of loads over 1.8-54 MHz: resistance 5-500 ohm,
// reactance up to +-300 ohm.
std::vector<Case> loads(size_t n) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> logHz(std::log(1.8e6), std::log(54e6)), logR(std::log(5.0), std::log(500.0)),
      x(-300, 300);
  std::vector<Case> out;
  for (size_t i = 0; i < n; ++i) out.push_back({std::exp(logHz(rng)), {std::exp(logR(rng)), x(rng)}});
  return out;
}

void BM_BestSetting(benchmark::State& state) {
  const std::vector<Case> cases = loads(64);
  std::vector<double> swr;
  size_t i = 0;
  for (auto _ : state) {
    const Case& c = cases[i++ % cases.size()];
    const sim::Optimum best = sim::BestSetting(c.hz, c.load);
    benchmark::DoNotOptimize(best);
    if (swr.size() < cases.size()) swr.push_back(best.swr);
  }
  std::sort(swr.begin(), swr.end());
  state.counters["loads"] = static_cast<double>(swr.size());
  state.counters["optimum_swr_median"] = swr[swr.size() / 2];
  state.counters["optimum_swr_worst"] = swr.back();
  state.counters["optimum_at_or_below_1.2"] =
      static_cast<double>(std::count_if(swr.begin(), swr.end(), [](double s) { return s <= 1.2; }));
}
BENCHMARK(BM_BestSetting)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TunerInputImpedance(benchmark::State& state) {
  const sim::TunerSetting s{200, 100, sim::kTunerLC};
  double hz = 7e6;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sim::TunerInputImpedance(s, hz, {120, -40}));
    hz += 1;
  }
}
BENCHMARK(BM_TunerInputImpedance);

}  // namespace
