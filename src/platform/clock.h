#pragma once
// Clocks and sleeps. Every duration the program measures (peak hold,
// temperature-log interval, error hold-off, the button long press and
// auto-repeat) runs on the monotonic clock: processor time runs at a rate that
// depends on the load. Long waits end early when the run flag falls so
// shut-down stays prompt.
#include <atomic>
#include <cstdint>

namespace platform {

// Wall-clock seconds since the epoch.
long wallSeconds();
// Monotonic milliseconds, for measurements and time-outs.
int64_t monotonicMs();
// Monotonic microseconds and seconds: the button timing and the front-panel
// wire need finer steps than milliseconds.
int64_t monotonicUs();
double monotonicSeconds();
// Processor time consumed so far by one thread of this process, in seconds
// (its native handle, as std::thread::native_handle gives it); -1 when the
// thread's clock cannot be read.
double threadCpuSeconds(unsigned long nativeHandle);

void sleepMs(long ms);
void sleepUs(long us);
// Sleeps up to `ms`, in short slices, returning early (false) once `running` is 0.
bool sleepWhileRunning(long ms, const std::atomic<uint32_t>& running);

}  // namespace platform
