// What a log line costs the thread that logs it: written by the caller (no
// writer thread, as at start-up), queued for the log writer thread, and
// queued while the writer is stuck (the queue fills, then lines are dropped
// and counted). Standard error goes to /dev/null so the figures are the
// program's own work, not the terminal's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <thread>

#include "platform/log.h"
#include "platform/log_writer.h"

namespace {

class QuietStderr {
 public:
  QuietStderr() : saved_(::dup(STDERR_FILENO)) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    ::close(null);
  }
  ~QuietStderr() {
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }

 private:
  int saved_;
};

class Writer {
 public:
  Writer() {
    platform::attachLogWriter();
    thread_ = std::thread(platform::runLogWriter);
  }
  ~Writer() {
    platform::holdLogWriter(false);
    platform::finishLogWriter();
    thread_.join();
  }

 private:
  std::thread thread_;
};

void logLines(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) platform::errPrintf("Linear: reply %d to command 35 in 4 ms\n", ++i);
  state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_LogLineWrittenByTheCaller(benchmark::State& state) {
  QuietStderr quiet;
  logLines(state);
}
BENCHMARK(BM_LogLineWrittenByTheCaller);

void BM_LogLineQueuedForTheWriter(benchmark::State& state) {
  QuietStderr quiet;
  Writer writer;
  const platform::LogCounts before = platform::logCounts();
  logLines(state);
  platform::flushLog();
  state.counters["dropped"] = static_cast<double>(platform::logCounts().dropped - before.dropped);
}
BENCHMARK(BM_LogLineQueuedForTheWriter);

void BM_LogLineWhileTheWriterIsStuck(benchmark::State& state) {
  QuietStderr quiet;
  Writer writer;
  platform::holdLogWriter(true);
  const platform::LogCounts before = platform::logCounts();
  logLines(state);
  state.counters["dropped"] = static_cast<double>(platform::logCounts().dropped - before.dropped);
}
BENCHMARK(BM_LogLineWhileTheWriterIsStuck);

}  // namespace
