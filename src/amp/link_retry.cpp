#include "amp/link_retry.h"

#include <cstdio>

#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/link_state.h"
#include "core/works.h"
#include "platform/log.h"
#include "tune/autotune.h"

namespace {

constexpr int kCommError = 4;
constexpr int kCommHoldOffMs = 2000;

void setCommErrorText(Works* w, char c1, char c2) {
  std::lock_guard lock(w->ampTextMutex);
  std::snprintf(w->commErrText, sizeof w->commErrText, "Err %c%c", c1, c2);
}

}  // namespace

void GestRetrayCMD(Works* w) {
  ++w->retryTotal;
  char c1 = w->lastCmdCode[0], c2 = w->lastCmdCode[1];
  if (w->retryCount > 2) {
    setCommErrorText(w, c1, c2);
    if (w->errorRepeatTimer == 0) {
      SetErrorLine2(w, kCommError, w->commErrText);
      AddErrore(w, kCommError);
      w->errorRepeatTimer = kCommHoldOffMs;
    }
    platform::errPrintf(
        "---------------------------------------STOP RETRAY!! %c%c (%d, %d) Restart da ST (Timer: %i)\n", c1, c2,
        w->retryTotal.load(), w->retryCount.load(), w->errorRepeatTimer.load());
    ++w->retryStops;
    linearProcessStatus = kLinkPoll;
    w->retryCount = 0;
    return;
  }
  ++w->retryCount;
  linearProcessStatus = w->lastCmdState.load();
  platform::errPrintf("--------------------------------------- ERROR LINEAR: RETRAY %c%c (%d , %d)\n", c1, c2,
                      w->retryTotal.load(), w->retryCount.load());
}

void NextCmdPriority(Works* w, int next) {
  w->retryCount = 0;
  if (w->cmdQueueActive == 1) {
    int code = TakeCMDLinear(w);
    if (code >= 0) {
      linearProcessStatus = code;
      platform::errPrintf("cmd ext: %d\n", code);
      return;
    }
    w->cmdQueueActive = 0;
    if (w->errorResendState == 1) {
      platform::errPrintf(">>> ERRORI: Send All CMD for Error\n");
      w->errorResendState = 2;
    }
  }
  linearProcessStatus = next;
}

void NextCmdAfterStatus(Works* w) {
  // A good status reply ends its exchange like any other reply: the command
  // that follows starts with its full budget of sends.
  w->retryCount = 0;
  switch (w->tunerRunning) {
    case 0: {
      int code = TakeCMDLinear(w);
      linearProcessStatus = code >= 0 ? code : 8;
      break;
    }
    case 1:
      TuneTask(w);
      linearProcessStatus = 11;
      break;
    case 2:
      linearProcessStatus = 13;
      w->tunerRunning = 1;
      break;
    default:
      linearProcessStatus = kLinkPoll;
      w->tunerRunning = 1;
      break;
  }
}
