#pragma once
// A token bucket on the monotonic clock: up to `burst` actions at once, then
// one every 1000 / `perSecond` ms. Not locked: its owner guards it.
#include <cstdint>

class RateGate {
 public:
  RateGate(int burst, int perSecond);
  // Takes a token at `nowMs` when there is one.
  bool admit(int64_t nowMs);
  // Milliseconds from `nowMs` until admit() would succeed (0: now).
  int64_t waitMs(int64_t nowMs) const;

 private:
  int64_t creditAt(int64_t nowMs) const;

  int64_t stepMs_;
  int64_t capacityMs_;
  int64_t creditMs_;
  int64_t lastMs_ = 0;
  bool started_ = false;
};
