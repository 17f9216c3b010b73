#include "amp/link_retry.h"

#include <cstdio>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/link_state.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "state/works.h"
#include "tune/autotune.h"

namespace {

constexpr int kCommHoldOffMs = 2000;
// Errors stay muted until the amplifier answers "CPFFFF;"; when it has not
// within this long, the command goes out again.
constexpr int64_t kClearAckWaitMs = 3000;

void setCommErrorText(Works* w, char c1, char c2) {
  std::lock_guard lock(w->ampTextMutex);
  std::snprintf(w->commErrText, sizeof w->commErrText, "Err %c%c", c1, c2);
}

// The next exchange is one the link chose itself (a poll, a tuning step).
void sendOwn(Works* w, int code) {
  w->lastCmdFromPath = false;
  SendNextCmd(code);
}

void sendTaken(Works* w, const AmpCmdPath::Taken& t) {
  w->lastCmdFromPath = true;
  w->lastCmdKey = t.key;
  w->lastCmdLane = static_cast<uint8_t>(t.lane);
  SendNextCmd(t.code);
}

// A command from the outbox that will not be answered stays wanted: it goes
// back first in its lane and leaves again after the next good status reply.
void keepWanted(Works* w) {
  w->cmdPath.dropInFlight();
  if (!w->lastCmdFromPath.exchange(false)) return;
  AmpCmdPath::Taken t{w->lastCmdState.load(), w->lastCmdKey.load(),
                      static_cast<AmpCmdPath::Lane>(w->lastCmdLane.load())};
  if (t.code == kCmdFirmwareRestart) return;  // answered by a restart, not a reply
  if (w->cmdPath.requeueFailed(t)) platform::errPrintf("Linear: command %d not acknowledged, kept to send again\n", t.code);
}

void askClearAgainIfMuted(Works* w) {
  if (!(w->errorsMuted & 1)) return;
  const int64_t now = platform::monotonicMs();
  const int64_t asked = w->clearAskedMs;
  if (asked == 0 || w->cmdPath.pending(AmpSettingKey(kCmdClearProtections))) {
    w->clearAskedMs = now;  // still on its way with the start-up sequence
    return;
  }
  if (now - asked < kClearAckWaitMs) return;
  w->clearAskedMs = now;
  platform::errPrintf("Linear: \"CPFFFF;\" not acknowledged, errors still muted: sent again\n");
  RequestProtectionCmd(kCmdClearProtections, w);
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
    keepWanted(w);
    sendOwn(w, kCmdStatus);
    w->retryCount = 0;
    return;
  }
  ++w->retryCount;
  SendNextCmd(w->lastCmdState.load());
  platform::errPrintf("--------------------------------------- ERROR LINEAR: RETRAY %c%c (%d , %d)\n", c1, c2,
                      w->retryTotal.load(), w->retryCount.load());
}

void DropUnconfirmedCmd(Works* w) { keepWanted(w); }

void NextCmdPriority(Works* w, int next) {
  w->retryCount = 0;
  if (w->cmdQueueActive == 1) {
    if (auto t = TakeNextCmd(w)) {
      sendTaken(w, *t);
      platform::errPrintf("cmd ext: %d\n", t->code);
      return;
    }
    w->cmdQueueActive = 0;
    if (w->errorResendState == 1) {
      platform::errPrintf(">>> ERRORI: Send All CMD for Error\n");
      w->errorResendState = 2;
    }
  }
  sendOwn(w, next);
}

void NextCmdAfterStatus(Works* w) {
  // A good status reply ends its exchange like any other reply: the command
  // that follows starts with its full budget of sends.
  w->retryCount = 0;
  askClearAgainIfMuted(w);
  switch (w->tunerRunning) {
    case 0: {
      if (auto t = TakeNextCmd(w))
        sendTaken(w, *t);
      else
        sendOwn(w, kCmdReadFrequency);
      break;
    }
    case 1:
      // A protection command waits for no tuning step: the step measures
      // again after the next status reply.
      if (auto t = TakeUrgentCmd(w)) {
        sendTaken(w, *t);
        break;
      }
      TuneTask(w);
      sendOwn(w, kCmdSetTuneWord);
      break;
    case 2:
      sendOwn(w, kCmdClearProtections);
      w->tunerRunning = 1;
      break;
    default:
      sendOwn(w, kCmdStatus);
      w->tunerRunning = 1;
      break;
  }
}
