#include "state/idle_thread.h"

#include "state/works.h"
#include "platform/clock.h"

void IdleUntilStopped(Works* w, const std::atomic<char>* flag) {
  while (w->running != 0 && (!flag || flag->load() == '1')) platform::sleepMs(10);
}
