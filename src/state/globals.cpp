#include "state/globals.h"

std::atomic<int> waitVYR{0};
std::atomic<int> startInitThread{0};
std::atomic<int> StepTune1{0};
std::atomic<int> CntIP{0}, CntDNS{0}, CntNetMask{0}, CntGateway{0};

std::atomic<int> fattoremedia{0};
std::atomic<double> PeakDecrement{0};
std::atomic<int> PeakDecrementTime{0};
std::atomic<int> TimerPeakSec{0};
std::atomic<double> TIME_LONG_PRESS{0};
