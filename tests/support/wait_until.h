#pragma once
// Polls a condition that another thread or process makes true.
#include <functional>

#include "platform/clock.h"

// True as soon as `done` holds; false once `timeoutMs` has passed without it.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  const int64_t end = platform::monotonicMs() + timeoutMs;
  while (!done()) {
    if (platform::monotonicMs() >= end) return false;
    platform::sleepMs(5);
  }
  return true;
}
