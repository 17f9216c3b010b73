#include "amp/link_state.h"

#include "platform/clock.h"

std::atomic<int> linearProcessStatus{0};
std::atomic<int> counterrortimeout{0};

std::atomic<bool> linkPausesOn{true};

void linkPause(long ms) {
  if (linkPausesOn) platform::sleepMs(ms);
}
