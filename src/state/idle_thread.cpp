#include "state/idle_thread.h"

#include "platform/clock.h"
#include "state/works.h"

void IdleUntilStopped(Works* w, const std::atomic<char>* flag) {
  while (w->running != 0 && (!flag || flag->load() == '1')) platform::sleepMs(10);
}
