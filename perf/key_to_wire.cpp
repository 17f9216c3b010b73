// Key-to-wire latency: from a front-panel key accepted by the key dispatch to
// its command on the amplifier's wire, through the command ring and the link
// thread, against the simulated amplifier over a pseudo-terminal. A queued
// command goes out after the next status reply, so the figure is bounded by
// one poll cycle (about 33 ms).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "amp/linear.h"
#include "amp_sim.h"
#include "link_rig.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "sandbox.h"
#include "state/init_globals.h"
#include "state/setup_record.h"
#include "state/works.h"
#include "ui/key_dispatch.h"

namespace {

void BM_KeyToWire(benchmark::State& state) {
  LinkRig rig("key");
  sim::AmpSim& amp = rig.amp;
  Works* works = rig.works.get();
  works->running = 1;
  works->menuPage = kLumoMain;
  std::thread link(Linear, works);
  platform::sleepMs(1500);  // the start-up commands go out first
  int64_t worstUs = 0;
  for (auto _ : state) {
    const size_t from = amp.received().size();
    const int64_t start = platform::monotonicUs();
    DecodeTasto(works, 3, 0);  // ANT: "SA%d;"
    amp.waitFor(
        [&](const std::vector<sim::AmpSim::Received>& r) {
          for (size_t i = from; i < r.size(); ++i)
            if (r[i].text.rfind("SA", 0) == 0) return true;
          return false;
        },
        2000);
    const int64_t us = platform::monotonicUs() - start;
    worstUs = std::max(worstUs, us);
    state.SetIterationTime(static_cast<double>(us) / 1e6);
  }
  state.counters["worst_ms"] = static_cast<double>(worstUs) / 1000;
  works->running = 0;
  link.join();
}
BENCHMARK(BM_KeyToWire)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
