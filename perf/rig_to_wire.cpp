// Dial-to-wire latency: from the transceiver's frequency change to the last
// command of the road ("AT", after FA, SF, TS, SA and the tuner setting) on
// the amplifier's wire, for each interface type: 0 the amplifier's own
// counter, 1 the companion transceiver's external IO port, 2 the FT-817's
// CAT port. The link, timer and transceiver threads run against the
// simulated amplifier and transceivers over pseudo-terminals.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "amp/linear.h"
#include "companion_sim.h"
#include "display/memory_framebuffer.h"
#include "ft817_sim.h"
#include "link_rig.h"
#include "links/cat_serial.h"
#include "links/ext_io.h"
#include "platform/clock.h"
#include "sample_tables.h"
#include "state/fft_record.h"
#include "tables/antenna_tables.h"
#include "tables/config_table.h"
#include "tables/filter_table.h"
#include "ui/menu.h"
#include "ui/timer.h"

namespace {

const char* kFilters =
    "1800000 2000000 1\n3500000 4000000 1\n5330000 7300000 1\n10100000 14350000 1\n"
    "18068000 21450000 1\n24890000 29700000 1\n50000000 54000000 1\n0 54000000 1\n";
const char* kBands = "!Gen\n40m 7000000 7300000 1 2 0 1 0.0\n20m 14000000 14350000 1 1 0 0 0.0\n";

struct Station {
  LinkRig rig{"dial"};
  sim::CompanionSim companion;
  sim::Ft817Sim ft817;
  MemoryFrameBuffer fb{800, 480};
  std::vector<std::atomic<int32_t>> bins = std::vector<std::atomic<int32_t>>(2 * kFftBins);
  FftRecord fft{};
  std::mutex serMutex;
  std::thread link, timerThread, source;
  int savedStderr = -1;

  explicit Station(int type) {
    // The road prints a line per selection; keep them off the report.
    savedStderr = ::dup(2);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    ::close(null);
    Works* w = rig.works.get();
    sim::writeSandboxFile(rig.root, "/opt/set/config.txt", sim::sampleConfigTxt());
    sim::writeSandboxFile(rig.root, "/opt/set/filter.txt", kFilters);
    sim::writeSandboxFile(rig.root, "/opt/set/antenna.txt", kBands);
    ReadConfigFile(w);
    LoadTabFiltri(w);
    LoadTabConfig(w, 0);
    w->fb = fb.get();
    fft = {bins.data(), bins.data() + kFftBins};
    w->fftRec = &fft;
    w->serMutexPtr = &serMutex;
    InitMenuLumo(w);
    companion.linkSlaveTo(rig.root + "/dev/ttyUSB1");
    ft817.linkSlaveTo(rig.root + "/dev/ttyUSB2");
    std::strcpy(rig.setup.SerPort, "/dev/ttyUSB1");
    std::strcpy(rig.setup.CatSerialPort, "/dev/ttyUSB2");
    rig.setup.fftFlag = '0';
    rig.setup.enaser = type == 1 ? '1' : '0';
    rig.setup.enaCatSer = type == 2 ? '1' : '0';
    w->ModeWorkIdx = type;
    rig.amp.setDrive(5);
    rig.amp.setTransmit(true);  // the counter reads only with a carrier
    companion.start();
    ft817.start();
    w->running = 1;
    link = std::thread(Linear, w);
    if (type == 1) source = std::thread(Serial, w);
    if (type == 2) source = std::thread(CatSerial, w);
    platform::sleepMs(1500);  // the start-up commands go out first
    timerThread = std::thread(timer, w);
  }
  ~Station() {
    rig.works->running = 0;
    for (std::thread* t : {&link, &timerThread, &source})
      if (t->joinable()) t->join();
    companion.stop();
    ft817.stop();
    ::dup2(savedStderr, 2);
    ::close(savedStderr);
  }
  void turnDial(uint32_t hz) {
    rig.amp.setFrequency(hz);
    companion.setFrequency(hz);
    ft817.setFrequency(hz);
  }
};

void BM_DialToWire(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  Station s(type);
  s.turnDial(14070000);
  platform::sleepMs(1500);
  const uint32_t freqs[] = {7050000, 14070000};
  size_t n = 0;
  int64_t worstUs = 0;
  int missed = 0;
  for (auto _ : state) {
    const size_t from = s.rig.amp.received().size();
    const int64_t start = platform::monotonicUs();
    s.turnDial(freqs[n++ % 2]);
    const bool done = s.rig.amp.waitFor(
        [&](const std::vector<sim::AmpSim::Received>& r) {
          for (size_t i = from; i < r.size(); ++i)
            if (r[i].text.rfind("AT", 0) == 0) return true;
          return false;
        },
        3000);
    const int64_t us = platform::monotonicUs() - start;
    missed += !done;
    worstUs = std::max(worstUs, us);
    state.SetIterationTime(static_cast<double>(us) / 1e6);
    platform::sleepMs(100);  // let the link go back to plain polling
  }
  state.counters["worst_ms"] = static_cast<double>(worstUs) / 1000;
  state.counters["missed"] = missed;
  state.SetLabel(type == 0 ? "type 0, amplifier counter" : type == 1 ? "type 1, external IO" : "type 2, FT-817 CAT");
}
BENCHMARK(BM_DialToWire)->Arg(0)->Arg(1)->Arg(2)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
