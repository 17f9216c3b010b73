#include "amp/link_state.h"

#include "amp/amp_commands.h"
#include "platform/clock.h"

std::atomic<LinkState> linkState{LinkState::Send};
std::atomic<int> pendingCmd{kCmdStatus};

void SendNextCmd(int code) {
  pendingCmd = code;
  linkState = LinkState::Send;
}
std::atomic<int> counterrortimeout{0};
std::atomic<int64_t> lastLinkWriteMs{0};

std::atomic<bool> linkPausesOn{true};

void linkPause(long ms) {
  if (linkPausesOn) platform::sleepMs(ms);
}
