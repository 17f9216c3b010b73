#pragma once
// Clocks and sleeps. Some timers run on the process's processor-time clock
// (peak hold, temperature-log interval, error hold-off, button long press);
// long waits end early when the run flag falls so shut-down stays prompt.
#include <atomic>
#include <cstdint>

namespace platform {

// Processor time used by the process, in clock ticks of kCpuTicksPerSecond.
long cpuClock();
inline constexpr long kCpuTicksPerSecond = 1000000;  // CLOCKS_PER_SEC on Linux

// Wall-clock seconds since the epoch.
long wallSeconds();
// Monotonic milliseconds, for measurements and time-outs.
int64_t monotonicMs();

void sleepMs(long ms);
void sleepUs(long us);
// Sleeps up to `ms`, in short slices, returning early (false) once `running` is 0.
bool sleepWhileRunning(long ms, const std::atomic<uint32_t>& running);

}  // namespace platform
