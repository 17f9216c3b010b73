#include "amp/cmd_ring.h"

#include "platform/log.h"
#include "state/works.h"

int IncPNTIn_CMDLinear(int code, Works* w) {
  std::lock_guard lock(w->cmdQueueMutex);
  int in = w->cmdQueueIn;
  int next = (in + 1) % kCmdQueueSize;
  if (next == w->cmdQueueOut) {
    platform::sysLog(platform::kErr, "command ring full: code %d refused", code);
    platform::errPrintf("command ring full: code %d refused\n", code);
    return -1;
  }
  w->cmdQueue[in] = code;
  w->cmdQueueIn = next;
  return code;
}

int TakeCMDLinear(Works* w) {
  int out = w->cmdQueueOut;
  if (out == w->cmdQueueIn) return -1;
  int code = w->cmdQueue[out];
  w->cmdQueue[out] = 0;
  w->cmdQueueOut = (out + 1) % kCmdQueueSize;
  return code;
}

int PendingCMDLinear(Works* w) {
  int n = w->cmdQueueIn - w->cmdQueueOut;
  return n < 0 ? n + kCmdQueueSize : n;
}
