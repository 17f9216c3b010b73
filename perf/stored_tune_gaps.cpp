// The status polls while tunes are stored and the disk is busy. Twenty quick
// automatic tunes run over the pseudo-terminal against the simulated
// amplifier, each ending in a stored tune (a tuner-memory file written through
// the remount bracket), while another thread keeps the disk busy with large
// fsynced writes in the sandbox. Printed: the largest gap between two "ST;"
// polls the amplifier saw, over the whole run and outside the burst of
// commands that opens every tune, and the link's own idle cycle for scale.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "amp/linear.h"
#include "link_rig.h"
#include "platform/clock.h"
#include "state/outbox.h"
#include "state/tune_fields.h"
#include "tune/autotune_control.h"

namespace {

constexpr int kTunes = 20;
constexpr size_t kStressFileBytes = 64u << 20;  // per fsynced file
constexpr int kStressMaxSeconds = 120;          // the loop stops by itself
constexpr int64_t kTuneBurstMs = 400;           // the start's commands, one per poll

// Writes and fsyncs large files in `dir` until told to stop (or its time is
// up), each one removed before the next.
struct DiskStress {
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> bytes{0};
  std::thread thread;

  explicit DiskStress(const std::string& dir) {
    thread = std::thread([this, dir] {
      const std::string path = dir + "/stress.bin";
      std::vector<char> block(1 << 20, 'x');
      const double end = platform::monotonicSeconds() + kStressMaxSeconds;
      while (!stop && platform::monotonicSeconds() < end) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return;
        for (size_t done = 0; done < kStressFileBytes && !stop; done += block.size())
          if (::write(fd, block.data(), block.size()) > 0) bytes += block.size();
        ::fsync(fd);
        ::close(fd);
        ::unlink(path.c_str());
      }
    });
  }
  ~DiskStress() {
    stop = true;
    thread.join();
  }
};

struct Gaps {
  int64_t all = 0, outsideBursts = 0, idleCycle = 0;
  int64_t worstAtMs = 0;  // where the largest gap outside the bursts ends
  int stored = 0;
};

Gaps measure(const std::vector<sim::AmpSim::Received>& rec, const std::vector<int64_t>& starts) {
  Gaps g;
  int64_t last = -1;
  std::vector<int64_t> gaps;
  for (const auto& r : rec) {
    if (r.text != "ST;") continue;
    if (last >= 0) {
      const int64_t gap = r.ms - last;
      gaps.push_back(gap);
      g.all = std::max(g.all, gap);
      const bool inBurst = std::any_of(starts.begin(), starts.end(),
                                       [&](int64_t s) { return r.ms >= s && last <= s + kTuneBurstMs; });
      if (!inBurst && gap > g.outsideBursts) g.outsideBursts = gap, g.worstAtMs = r.ms;
    }
    last = r.ms;
  }
  if (!gaps.empty()) {
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    g.idleCycle = gaps[gaps.size() / 2];
  }
  return g;
}

void BM_StoredTunePollGaps(benchmark::State& state) {
  LinkRig rig("store");
  platform::setLogOutput(false);
  Works* w = rig.works.get();
  w->AutoTuneMode = kAtmEnabled;
  w->SWRescAutoTune = 5.0f;  // the first good measurement ends the tune
  w->freq = 14070000;
  rig.amp.setAntennaSwr(0, 2.0f);
  rig.amp.setDrive(10);
  rig.amp.setTransmit(true);
  FileOutbox().attach();
  std::thread writer([] { FileOutbox().run(); });
  w->running = 1;
  std::thread link(Linear, w);
  platform::sleepMs(1500);  // the start-up commands
  Gaps g;
  uint64_t stressed = 0;
  for (auto _ : state) {
    rig.amp.clearReceived();
    const auto before = FileOutbox().counts();
    std::vector<int64_t> starts;
    const int64_t t0 = platform::monotonicMs();
    {
      DiskStress stress(rig.root + "/tmp");
      for (int i = 0; i < kTunes; ++i) {
        // The simulator's clock counts from its start; the tune starts are
        // placed on it through the first command they cause.
        const size_t seen = rig.amp.received().size();
        StartAutotune(w);
        const double end = platform::monotonicSeconds() + 20;
        while (w->tunerRunning && platform::monotonicSeconds() < end) platform::sleepMs(5);
        const auto rec = rig.amp.received();
        if (rec.size() > seen) starts.push_back(rec[seen].ms);
        platform::sleepMs(300);
      }
      platform::sleepMs(1000);  // the last store's batch on the busy disk
      stressed = stress.bytes;
    }
    g = measure(rig.amp.received(), starts);
    g.stored = static_cast<int>(FileOutbox().counts().requests - before.requests);
    state.SetIterationTime((platform::monotonicMs() - t0) / 1000.0);
  }
  w->running = 0;
  link.join();
  FileOutbox().finish();
  writer.join();
  // What the wire carried around the worst gap, to tell a slow link from a
  // command that simply takes long.
  std::printf("\naround the largest gap outside the bursts:");
  for (const auto& r : rig.amp.received())
    if (r.ms >= g.worstAtMs - g.outsideBursts - 40 && r.ms <= g.worstAtMs) std::printf(" %lld:%s", static_cast<long long>(r.ms), r.text.c_str());
  std::printf("\n%d stored tunes (%d saves handed to the writer), %.0f MB fsynced meanwhile\n", kTunes, g.stored,
              stressed / 1048576.0);
  std::printf("largest gap between status polls: %lld ms; outside the tune-start bursts: %lld ms; "
              "median poll interval %lld ms\n",
              static_cast<long long>(g.all), static_cast<long long>(g.outsideBursts),
              static_cast<long long>(g.idleCycle));
  state.counters["gap_ms"] = static_cast<double>(g.all);
  state.counters["gap_outside_burst_ms"] = static_cast<double>(g.outsideBursts);
}

BENCHMARK(BM_StoredTunePollGaps)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
