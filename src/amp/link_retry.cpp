#include "amp/link_retry.h"

#include <cstdio>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/link_state.h"
#include "platform/log.h"
#include "state/works.h"
#include "tune/autotune.h"

namespace {

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
      SetErrorLine2(w, kErrComm, w->commErrText);
      AddErrore(w, kErrComm);
      w->errorRepeatTimer = kCommHoldOffMs;
    }
    platform::errPrintf(
        "---------------------------------------STOP RETRAY!! %c%c (%d, %d) Restart da ST (Timer: %i)\n", c1, c2,
        w->retryTotal.load(), w->retryCount.load(), w->errorRepeatTimer.load());
    ++w->retryStops;
    SendNextCmd(kCmdStatus);
    w->retryCount = 0;
    return;
  }
  ++w->retryCount;
  SendNextCmd(w->lastCmdState.load());
  platform::errPrintf("--------------------------------------- ERROR LINEAR: RETRAY %c%c (%d , %d)\n", c1, c2,
                      w->retryTotal.load(), w->retryCount.load());
}

void NextCmdPriority(Works* w, int next) {
  w->retryCount = 0;
  if (w->cmdQueueActive == 1) {
    int code = TakeCMDLinear(w);
    if (code >= 0) {
      SendNextCmd(code);
      platform::errPrintf("cmd ext: %d\n", code);
      return;
    }
    w->cmdQueueActive = 0;
    if (w->errorResendState == 1) {
      platform::errPrintf(">>> ERRORI: Send All CMD for Error\n");
      w->errorResendState = 2;
    }
  }
  SendNextCmd(next);
}

void NextCmdAfterStatus(Works* w) {
  // A good status reply ends its exchange like any other reply: the command
  // that follows starts with its full budget of sends.
  w->retryCount = 0;
  switch (w->tunerRunning) {
    case 0: {
      int code = TakeCMDLinear(w);
      SendNextCmd(code >= 0 ? code : kCmdReadFrequency);
      break;
    }
    case 1:
      TuneTask(w);
      SendNextCmd(kCmdSetTuneWord);
      break;
    case 2:
      SendNextCmd(kCmdClearProtections);
      w->tunerRunning = 1;
      break;
    default:
      SendNextCmd(kCmdStatus);
      w->tunerRunning = 1;
      break;
  }
}
