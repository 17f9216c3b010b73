// Cost of one full frequency re-selection as the timer loop runs it when the
// frequency moves: filter, protection thresholds, band row (antenna, tuner,
// amplifier bypass, attenuation) and the tuner-memory lookup of command 27.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "amp/cmd_ring.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "sample_tables.h"
#include "sandbox.h"
#include "state/init_globals.h"
#include "state/setup_record.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/config_table.h"
#include "tables/filter_table.h"
#include "tables/tuner_memory.h"

namespace {

const char* kFilters =
    "1800000 2000000 1\n3500000 4000000 1\n5330000 7300000 1\n10100000 14350000 1\n"
    "18068000 21450000 1\n24890000 29700000 1\n50000000 54000000 1\n0 54000000 1\n";
const char* kBands =
    "!Gen\n160m 1800000 2000000 1 1 0 0 0.0\n80m 3500000 4000000 1 2 0 1 0.0\n"
    "60m 5330500 5450000 1 3 0 2 0.0\n40m 7000000 7300000 1 1 0 3 0.0\n"
    "30m 10100000 10150000 1 2 0 0 0.0\n20m 14000000 14350000 1 3 0 1 0.0\n"
    "17m 18068000 18168000 1 1 0 2 0.0\n15m 21000000 21450000 1 2 0 3 0.0\n"
    "12m 24890000 24990000 1 3 0 0 0.0\n10m 28000000 29700000 1 1 0 1 0.0\n"
    "6m 50000000 54000000 1 2 0 2 0.0\n";

struct Station {
  std::string root;
  std::unique_ptr<Works> works = std::make_unique<Works>();
  SetupRecord setup{};
  int savedStderr = -1;

  Station() {
    char tmpl[] = "/tmp/hfamp-bench-tables-XXXXXX";
    root = ::mkdtemp(tmpl);
    sim::makeSandbox(root);
    platform::setRoot(root);
    platform::setLogObserver([](const std::string&) {});
    // The selections print a line per change; keep them off the report.
    savedStderr = ::dup(2);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    ::close(null);
    works->setup = &setup;
    InitGlobalVar(works.get());
    sim::writeSandboxFile(root, "/opt/set/config.txt", sim::sampleConfigTxt());
    sim::writeSandboxFile(root, "/opt/set/filter.txt", kFilters);
    sim::writeSandboxFile(root, "/opt/set/antenna.txt", kBands);
    ReadConfigFile(works.get());
    LoadTabFiltri(works.get());
    LoadTabConfig(works.get(), 0);
    // A well-used memory: every tenth slot of all three antennas.
    for (int a = 0; a < kTuneMemAntennas; ++a)
      for (int i = 0; i < kTuneMemSlots; i += 10) {
        TuneMemEntry e{1, 1, static_cast<uint16_t>(i % 512), 100};
        SaveTuneValsuTabRam(&e, i, a, works.get());
      }
  }
  ~Station() {
    ::dup2(savedStderr, 2);
    ::close(savedStderr);
    platform::setLogObserver({});
    platform::setRoot("");
    std::filesystem::remove_all(root);
  }

  void reselect(uint32_t f) {
    Works* w = works.get();
    w->freq = f;
    SetFilterFromfreq(w);
    SearchCambioSoglie_TS(w);
    GestioneAntennaAutomatica(w);
    LoadTuneFromMEM(w, w->antennaIndex);  // what command 27 runs in the link thread
    while (TakeCMDLinear(w) != -1) {
    }
  }
};

// Every call moves to another band: everything is re-selected and sent.
void BM_ReselectNewBand(benchmark::State& state) {
  Station s;
  const uint32_t freqs[] = {1850000, 3650000, 7100000, 14070000, 18100000, 21200000, 28500000, 50100000};
  size_t n = 0;
  for (auto _ : state) s.reselect(freqs[n++ % std::size(freqs)]);
}
BENCHMARK(BM_ReselectNewBand)->Unit(benchmark::kMicrosecond);

// Small moves inside one band: nothing changes, only the lookups run.
void BM_ReselectSameBand(benchmark::State& state) {
  Station s;
  uint32_t f = 14000000;
  for (auto _ : state) {
    s.reselect(f);
    f = f >= 14340000 ? 14000000 : f + 1000;
  }
}
BENCHMARK(BM_ReselectSameBand)->Unit(benchmark::kMicrosecond);

// The nearest-slot scan alone over the widest region (406 slots).
void BM_NearestSlotWideRegion(benchmark::State& state) {
  Station s;
  int32_t start, stop;
  int first, end;
  int idx = AtuIdxSearch(40005000, &start, &stop, &first, &end);
  for (auto _ : state) benchmark::DoNotOptimize(SearchBestTune(s.works.get(), idx, first, end, 0));
}
BENCHMARK(BM_NearestSlotWideRegion)->Unit(benchmark::kMicrosecond);

}  // namespace
