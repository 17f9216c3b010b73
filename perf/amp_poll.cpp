// Status-poll rate of the amplifier link against the simulated amplifier over
// a pseudo-terminal, next to the bound set by the link's own pauses and by the
// bytes' time at 115 200 baud.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
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

namespace {

constexpr double kByteSeconds = 10.0 / 115200;  // start, 8 data and stop bits
// One idle cycle: "4dST;" and its 39-byte reply, "xxFM;" and its 17-byte reply.
constexpr double kCycleBytes = 5 + 39 + 5 + 17;
// Pauses after the status reply (10 ms) and after the "FM" reply (20 ms), and
// on average half of the 1 ms poll step per reply.
constexpr double kCyclePauseSeconds = 0.010 + 0.020 + 2 * 0.0005;

void BM_StatusPollRate(benchmark::State& state) {
  LinkRig rig("poll");
  sim::AmpSim& amp = rig.amp;
  Works* works = rig.works.get();
  const double seconds = state.range(0);
  uint64_t polls = 0, exchanges = 0;
  for (auto _ : state) {
    amp.clearReceived();
    works->running = 1;
    std::thread link(Linear, works);
    platform::sleepMs(static_cast<long>(seconds * 1000));
    works->running = 0;
    link.join();
    for (const auto& r : amp.received()) {
      ++exchanges;
      polls += r.text == "ST;";
    }
  }
  double total = seconds * state.iterations();
  state.counters["status_polls_per_s"] = polls / total;
  state.counters["exchanges_per_s"] = exchanges / total;
  state.counters["pause_bound_polls_per_s"] = 1 / kCyclePauseSeconds;
  state.counters["wire_bound_polls_per_s"] = 1 / (kCyclePauseSeconds + kCycleBytes * kByteSeconds);
  state.counters["bytes_ms_per_cycle"] = kCycleBytes * kByteSeconds * 1000;
  state.counters["misframes"] = works->linkChkErrors + works->linkRunts + works->linkOverflows;
  state.counters["retries"] = works->retryTotal.load();
}
BENCHMARK(BM_StatusPollRate)->Arg(5)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
