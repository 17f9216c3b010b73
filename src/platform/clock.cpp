#include "platform/clock.h"

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <ctime>

namespace platform {

long wallSeconds() { return static_cast<long>(::time(nullptr)); }

int64_t monotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t monotonicUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

double monotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

double threadCpuSeconds(unsigned long nativeHandle) {
  clockid_t id{};
  if (pthread_getcpuclockid(static_cast<pthread_t>(nativeHandle), &id) != 0) return -1;
  timespec ts{};
  if (clock_gettime(id, &ts) != 0) return -1;
  return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

void sleepUs(long us) {
  if (us <= 0) return;
  timespec ts{us / 1000000, (us % 1000000) * 1000};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void sleepMs(long ms) { sleepUs(ms * 1000); }

bool sleepWhileRunning(long ms, const std::atomic<uint32_t>& running) {
  while (ms > 0) {
    if (running.load() == 0) return false;
    long slice = std::min(ms, 50L);
    sleepMs(slice);
    ms -= slice;
  }
  return running.load() != 0;
}

}  // namespace platform
