// The amplifier link thread: owns the port, sends one command at a time, waits
// for its reply, hands verified replies to the decoder and chooses the next
// command (status polls between queued commands).
#include "amp/linear.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "amp/amp_commands.h"
#include "amp/decode_reply.h"
#include "amp/link_commands.h"
#include "amp/link_frame.h"
#include "amp/link_retry.h"
#include "amp/link_state.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr long kPauseAfterBadFrameMs = 20;
// While the port cannot be opened (a USB adapter not yet plugged in, a wrong
// setting) the link tries again at this interval, and at once on request.
constexpr int64_t kReopenIntervalMs = 5000;
constexpr long kReopenPollMs = 20;

// The fault is recorded before it is logged, so whoever reads the log line
// finds the fault already set.
void setLinkFault(Works* w, const char* what, const char* port) {
  {
    std::lock_guard lock(w->linkFaultMutex);
    std::snprintf(w->linkFaultText, sizeof w->linkFaultText, "Linear: %s %s", what, port);
  }
  w->linkFault = 1;
  platform::sysLog(kErr, "%s %s", what, port);
  platform::errPrintf("%s %s\n", what, port);
}

// Handles what the framer made of one byte.
void onFramerEvent(Works* w, ReplyFramer& rx, ReplyFramer::Event ev) {
  switch (ev) {
    case ReplyFramer::Event::None:
      return;
    case ReplyFramer::Event::Reply:
      if (rx.skipped()) platform::errPrintf("Linear: %zu bytes of noise before a reply dropped\n", rx.skipped());
      ++w->linkReplies;
      linkState = LinkState::Decode;
      return;
    case ReplyFramer::Event::BadCheck:
      // The exchange happened but its reply cannot be trusted: drop it and go
      // on as after any reply.
      ++w->linkChkErrors;
      platform::errPrintf("**** CHK ERROR!! %s %s\n", rx.computed(), rx.raw().c_str());
      platform::sleepMs(kPauseAfterBadFrameMs);
      DropUnconfirmedCmd(w);
      NextCmdPriority(w, kCmdStatus);
      return;
    case ReplyFramer::Event::Runt:
      // Carries no reply; keep waiting, the silence time-out still runs.
      ++w->linkRunts;
      platform::errPrintf("Linear: runt reply dropped: %s\n", rx.raw().c_str());
      return;
    case ReplyFramer::Event::Overflow:
      ++w->linkOverflows;
      platform::errPrintf("<<<<<<<<<<<<<<<<<<<<ERROR COUNTER LINEAR (CounterLinear)\n");
      return;
  }
}

void waitReply(Works* w, ReplyFramer& rx) {
  int fd = w->linFD;
  int waiting = platform::bytesWaiting(fd);
  if (waiting <= 0) {
    counterrortimeout = static_cast<int>(platform::monotonicMs() - lastLinkWriteMs);
    if (counterrortimeout > kLinkSilenceLimit) GestRetrayCMD(w);
    platform::sleepMs(1);
    return;
  }
  char c;
  long n = platform::readSerial(fd, &c, 1);
  if (n != 1) {
    platform::sysLog(kErr, "timeout %d\n", static_cast<int>(n));
    GestRetrayCMD(w);
    platform::sleepMs(kPauseAfterBadFrameMs);
    return;
  }
  onFramerEvent(w, rx, rx.push(c));
}

void sendNext(Works* w, ReplyFramer& rx, int code) {
  // Whatever is still in the buffers belongs to an earlier exchange (a late or
  // partial reply after a time-out): it must not be taken as this reply.
  rx.reset();
  platform::flushInput(w->linFD);
  SendLinearCommand(w, code);
}

}  // namespace

void OpenLinear(Works* w) {
  std::string port = w->setup ? w->setup->LinPort : "";
  if (port.empty()) port = kDefaultLinPort;
  platform::sysLog(kInfo, "Init Linear Port %s", port.c_str());
  platform::SerialSettings settings;  // 115 200 baud, raw, VMIN 1, VTIME 0.5 s
  platform::SerialOpen opened = platform::openSerial(port, settings);
  w->linFD = opened.fd;
  if (opened.failure == platform::SerialOpen::Failure::Open) {
    setLinkFault(w, "Unable to open device", port.c_str());
    return;
  }
  if (opened.failure == platform::SerialOpen::Failure::Configure) {
    setLinkFault(w, "Unable to set comm port", port.c_str());
    return;
  }
  platform::errPrintf("OK works->linFD=%d (%s) stato:%d\n", opened.fd, port.c_str(), pendingCmd.load());
  platform::sysLog(kInfo, "OK works->linFD=%d (%s)", opened.fd, port.c_str());
}

void RequestLinearReopen(Works* w) { w->linReopenRequested = true; }

namespace {

// Without a port there is nothing to exchange: wait for the next attempt
// rather than run every command into the retry policy on a dead descriptor.
// A successful reopen clears the amplifier's link fault and starts over with
// a status poll.
void waitForPort(Works* w, ReplyFramer& rx, int64_t& lastAttemptMs) {
  const int64_t now = platform::monotonicMs();
  if (!w->linReopenRequested && now - lastAttemptMs < kReopenIntervalMs) {
    platform::sleepMs(kReopenPollMs);
    return;
  }
  w->linReopenRequested = false;
  lastAttemptMs = now;
  OpenLinear(w);
  if (w->linFD < 0) return;
  int fault = 1;
  w->linkFault.compare_exchange_strong(fault, 0);
  rx.reset();
  SendNextCmd(kCmdStatus);
}

}  // namespace

void Linear(Works* w) {
  SendNextCmd(kCmdStatus);
  w->linReopenRequested = false;
  OpenLinear(w);
  int64_t lastAttemptMs = platform::monotonicMs();
  ReplyFramer rx;
  std::string reply;
  while (w->running != 0) {
    if (w->linFD < 0) {
      waitForPort(w, rx, lastAttemptMs);
      continue;
    }
    switch (linkState.load()) {
      case LinkState::Waiting:
        waitReply(w, rx);
        break;
      case LinkState::Decode:
        reply.assign(rx.text());
        DecodeCatCmd(w, reply.c_str(), static_cast<int>(reply.size()));
        rx.reset();
        break;
      case LinkState::Silent:
        platform::sleepWhileRunning(1000, w->running);
        break;
      case LinkState::Send:
        sendNext(w, rx, pendingCmd);
        break;
    }
  }
  platform::closeSerial(w->linFD.exchange(-1));
}

