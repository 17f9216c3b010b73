// Time from asking for a setting to the amplifier acknowledging it (that
// value or a later one), while a producer floods the command path: a key held
// on the manual page (a tuner word every 10 ms), a dial spun through a band
// (a whole frequency road every 10 ms), and protection commands asked for in
// the middle of either. Against the simulated amplifier over a pseudo-terminal.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/linear.h"
#include "link_rig.h"
#include "platform/clock.h"

namespace {

// Requests numbered in order; an acknowledged number settles every request
// up to it.
class AckClock {
 public:
  void asked(uint32_t n) {
    std::lock_guard lock(mutex_);
    waiting_.push_back({n, platform::monotonicMs()});
  }
  void acknowledged(uint32_t n) {
    std::lock_guard lock(mutex_);
    const int64_t now = platform::monotonicMs();
    while (!waiting_.empty() && waiting_.front().first <= n) {
      worst_ = std::max(worst_, now - waiting_.front().second);
      waiting_.pop_front();
      ++settled_;
    }
  }
  int64_t worst() const { return worst_; }
  int settled() const { return settled_; }

 private:
  std::mutex mutex_;
  std::deque<std::pair<uint32_t, int64_t>> waiting_;
  int64_t worst_ = 0;
  int settled_ = 0;
};

uint32_t hexAfter(const std::string& text, size_t at) {
  return text.size() > at ? static_cast<uint32_t>(std::strtoul(text.c_str() + at, nullptr, 16)) : 0;
}
uint32_t decimalAfter(const std::string& text, size_t at) {
  return text.size() > at ? static_cast<uint32_t>(std::strtoul(text.c_str() + at, nullptr, 10)) : 0;
}

// kind 0: tuner words; kind 1: frequency roads.
void BM_AckUnderFlood(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  LinkRig rig("floods");
  Works* w = rig.works.get();
  w->errorsMuted = 0;
  AckClock setting, protection;
  for (auto _ : state) {
    w->running = 1;
    std::thread link(Linear, w);
    std::atomic<bool> flooding{true};
    std::thread watcher([&] {
      while (flooding || !w->cmdPath.empty()) {
        if (kind == 0)
          setting.acknowledged(hexAfter(ConfirmedAmpSetting(w, kCmdSetTuneWord), 3));
        else
          setting.acknowledged(decimalAfter(ConfirmedAmpSetting(w, kCmdFrequency), 2));
        // "TS" and four digits of the input threshold first.
        protection.acknowledged(decimalAfter(ConfirmedAmpSetting(w, kCmdThresholds).substr(0, 6), 2));
        platform::sleepMs(1);
      }
    });
    const int64_t end = platform::monotonicMs() + 5000;
    uint32_t n = 0, p = 1000;
    while (platform::monotonicMs() < end) {
      ++n;
      if (kind == 0) {
        w->tuneWord = n;
        setting.asked(n);
        IncPNTIn_CMDLinear(kCmdSetTuneWord, w);
      } else {
        w->freq = 14000000 + n;
        setting.asked(14000000 + n);
        for (int code : {kCmdFrequency, kCmdSetFilter, kCmdAntenna, kCmdLoadTuneMem, kCmdAttenuator})
          IncPNTIn_CMDLinear(code, w);
      }
      if (n % 25 == 0) {  // a protection setting every quarter second
        w->sogliaPWIN = static_cast<int>(++p);
        protection.asked(p);
        RequestProtectionCmd(kCmdThresholds, w);
      }
      platform::sleepMs(10);
    }
    flooding = false;
    const int64_t drained = platform::monotonicMs() + 5000;
    while (!w->cmdPath.empty() && platform::monotonicMs() < drained) platform::sleepMs(5);
    platform::sleepMs(300);
    watcher.join();
    w->running = 0;
    link.join();
  }
  state.counters["worst_ack_ms"] = static_cast<double>(setting.worst());
  state.counters["settled"] = setting.settled();
  state.counters["protection_worst_ack_ms"] = static_cast<double>(protection.worst());
  state.counters["most_pending"] = w->cmdPath.highWater();
  state.counters["retries"] = w->retryTotal.load();
}
BENCHMARK(BM_AckUnderFlood)->ArgName("road")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
