#pragma once
// Process-wide values set at start-up and read by several threads.
#include <atomic>

// Loading countdown and start-up.
extern std::atomic<int> waitVYR;
extern std::atomic<int> startInitThread;
extern std::atomic<int> StepTune1;
extern std::atomic<int> CntIP, CntDNS, CntNetMask, CntGateway;

// Peak-hold and button settings mirrored from the setup file.
extern std::atomic<int> fattoremedia;
extern std::atomic<double> PeakDecrement;
extern std::atomic<int> PeakDecrementTime;
extern std::atomic<int> TimerPeakSec;
extern std::atomic<double> TIME_LONG_PRESS;
