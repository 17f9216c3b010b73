#pragma once
// The log writer thread's side of errPrintf, outPrintf and sysLog (log.h).
// Once a writer is attached, a caller only queues its line and returns; the
// writer does the writes that can block (syslog, the sandbox log file, a
// standard stream into a full pipe). A full queue drops lines, counts them,
// and the writer writes "log: N lines dropped" to the system log and to
// standard error when it catches up.
// Before attachLogWriter() and after runLogWriter() has returned, each line is
// written by its caller before the call returns.
#include <cstdint>

namespace platform {

// The program's writer thread: attach before starting it, run is its body,
// finish makes run write everything still queued and return.
void attachLogWriter();
void runLogWriter();
void finishLogWriter();
// Returns when every line logged before the call is written (at once when no
// writer runs).
void flushLog();

// Tests only: a held writer writes nothing, as if the system log had stalled.
// A flush waits until it is released; finishing writes regardless.
void holdLogWriter(bool held);

struct LogCounts {
  uint64_t posted = 0;   // lines taken, queued or written by their caller
  uint64_t written = 0;  // lines written
  uint64_t dropped = 0;  // lines lost to a full queue
};
LogCounts logCounts();

}  // namespace platform
