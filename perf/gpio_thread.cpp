// The GPIO thread's share of a core while it idles: six buttons polled every
// 2 ms and a front-panel exchange every 200 polls, nothing pressed. The
// thread's own processor time over the wall time of the run, with and without
// the simulated front panel answering (its own thread is not counted).
#include "display/gpio_thread.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "front_panel.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "sandbox.h"
#include "state/init_globals.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

void BM_GpioThreadIdleShare(benchmark::State& state) {
  char tmpl[] = "/tmp/hfamp-bench-gpio-XXXXXX";
  std::string root = ::mkdtemp(tmpl);
  sim::makeSandbox(root);
  platform::setRoot(root);
  platform::setLogObserver([](const std::string&) {});
  std::unique_ptr<sim::FrontPanel> panel;
  if (state.range(1)) {
    panel = std::make_unique<sim::FrontPanel>(root);
    panel->start();
  }
  auto works = std::make_unique<Works>();
  SetupRecord setup{};
  works->setup = &setup;
  const double seconds = static_cast<double>(state.range(0));
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    InitGlobalVar(works.get());
    works->running = 1;
    std::thread gpio(GPIO, works.get());
    const auto handle = static_cast<unsigned long>(gpio.native_handle());
    platform::sleepMs(300);  // past the set-up and the first exchanges
    const double cpu0 = platform::threadCpuSeconds(handle);
    const double wall0 = platform::monotonicSeconds();
    platform::sleepMs(static_cast<long>(seconds * 1000));
    cpu += platform::threadCpuSeconds(handle) - cpu0;
    wall += platform::monotonicSeconds() - wall0;
    works->running = 0;
    gpio.join();
  }
  state.counters["cpu_share_pct"] = 100 * cpu / wall;
  state.counters["cpu_us_per_2ms"] = 1e6 * cpu / wall * 0.002;
  if (panel) {
    state.counters["panel_exchanges"] = static_cast<double>(panel->exchanges());
    state.counters["panel_garbled"] = static_cast<double>(panel->garbled());
    panel->stop();
  }
  platform::setLogObserver({});
  platform::setRoot("");
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
}
BENCHMARK(BM_GpioThreadIdleShare)
    ->Args({5, 0})
    ->Args({5, 1})
    ->ArgNames({"seconds", "panel"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
