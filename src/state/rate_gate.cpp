#include "state/rate_gate.h"

#include <algorithm>

RateGate::RateGate(int burst, int perSecond)
    : stepMs_(1000 / std::max(perSecond, 1)),
      capacityMs_(stepMs_ * std::max(burst, 1)),
      creditMs_(capacityMs_) {}

// Credit is kept in milliseconds of waiting, so tokens come back in whole
// milliseconds without rounding away a fraction on every call.
int64_t RateGate::creditAt(int64_t nowMs) const {
  if (!started_) return capacityMs_;
  const int64_t elapsed = std::max<int64_t>(nowMs - lastMs_, 0);
  return std::min(capacityMs_, creditMs_ + elapsed);
}

bool RateGate::admit(int64_t nowMs) {
  const int64_t credit = creditAt(nowMs);
  if (!started_ || nowMs > lastMs_) lastMs_ = nowMs;
  started_ = true;
  creditMs_ = credit;
  if (credit < stepMs_) return false;
  creditMs_ -= stepMs_;
  return true;
}

int64_t RateGate::waitMs(int64_t nowMs) const { return std::max<int64_t>(stepMs_ - creditAt(nowMs), 0); }
