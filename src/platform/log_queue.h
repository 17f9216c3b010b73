#pragma once
// The lines on their way to standard error, standard output and the system
// log. A system log that stalls (a full journal, a hung daemon, a pipe nobody
// reads) must not stall the amplifier link, the timer or the buttons, so a
// caller only puts its line here and goes on; the log writer thread does the
// writes. The queue is bounded: when it is full the line is dropped and
// counted, and the writer says how many were lost as soon as it can.
//
// Until a writer is attached, and again once it has finished, each line is
// written by its caller before post() returns (start-up, the tools, the tests
// of one subsystem see their lines at once, and nothing is lost at exit).
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace platform {

class LogQueue {
 public:
  enum class Target : uint8_t { StdErr, StdOut, SysErr, SysInfo };
  struct Line {
    Target target;
    std::string text;
  };
  // Writes one line where its target says; may block.
  using Sink = std::function<void(const Line&)>;
  // Enough for a burst of several seconds of the busiest trace at start-up,
  // small enough for the board's memory.
  struct Limits {
    size_t lines = 4096;
    size_t bytes = 512 * 1024;
  };

  explicit LogQueue(Sink sink);
  LogQueue(Sink sink, Limits limits);

  // Queues the line for the writer, or writes it here when there is none.
  // False when the queue was full and the line dropped. Never waits on the sink
  // while a writer is attached.
  bool post(Target target, std::string text);

  // The writer thread: attach() before starting it, run() is its body,
  // finish() makes run() write what is left and return.
  void attach();
  void run();
  void finish();
  // Returns when every line posted before the call has been written.
  void flush();

  // Tests stand in for a stalled system log: while held, the writer writes
  // nothing and lines pile up as they would behind a blocked syslog().
  void hold(bool held);

  struct Counts {
    uint64_t posted = 0;   // lines taken (queued or written by their caller)
    uint64_t written = 0;  // lines the sink was given (the drop notices aside)
    uint64_t dropped = 0;  // lines lost to a full queue
  };
  Counts counts() const;

 private:
  bool full(size_t more) const;  // caller holds mutex_
  void writeBatch(std::deque<Line>& batch, uint64_t newlyDropped);

  Sink sink_;
  Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable work_;  // the writer waits on it
  std::condition_variable done_;  // flush() waits on it
  std::deque<Line> lines_;
  size_t bytes_ = 0;
  uint64_t queuedSerial_ = 0;   // lines queued for the writer so far
  uint64_t writtenSerial_ = 0;  // of those, the ones the writer has written
  uint64_t reported_ = 0;       // drops already announced
  bool attached_ = false;
  bool stopping_ = false;
  bool held_ = false;
  Counts counts_;
};

}  // namespace platform
