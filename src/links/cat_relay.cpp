#include "links/cat_relay.h"

#include <atomic>
#include <cstring>

#include "amp/errors.h"
#include "links/verify_cat.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/net.h"
#include "platform/serial.h"
#include "remote/ws_send.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr size_t kMessageMax = 200;
constexpr long kStartPauseMs = 3000;
// The port is waited on rather than polled flat out: a bounded wait still
// sees EnableCAT fall within this time, and leaves the processor alone.
constexpr int kWaitSliceMs = 50;

std::atomic<int> status_cat{0};

bool enabled(Works* w) { return w->setup->EnableCAT == '1' && w->running; }

enum class Message { Sent, Stopped, ReadFailed, Overflow };

// Reads one message up to its ';' and sends it. A message of 200 bytes
// without one is dropped.
Message relayOne(Works* w, int fd) {
  char buf[kMessageMax + 1];
  std::memset(buf, 0, sizeof buf);
  size_t pos = 0;
  while (pos < kMessageMax) {
    const int ready = platform::waitReadable(fd, kWaitSliceMs);
    if (!enabled(w)) return Message::Stopped;
    if (ready < 0) return Message::ReadFailed;
    if (ready == 0) continue;
    const long n = platform::readSerial(fd, buf + pos, 1);
    if (n <= 0) return Message::ReadFailed;
    if (buf[pos] == ';') {
      buf[pos + 1] = '\0';
      sendWebSockCatFrame(w, buf, static_cast<int>(pos + 1));
      return Message::Sent;
    }
    pos += static_cast<size_t>(n);
  }
  return Message::Overflow;
}

}  // namespace

void ExitCAT(Works* w) {
  const int fd = w->catFD.exchange(0);
  if (status_cat.exchange(0) == 1 && fd > 0) platform::closeSerial(fd);
  w->remoteActive = 1;
  w->setup->EnableCAT = '0';
  AddErrore(w, kErrRemoteCat);
}

void Cat(Works* w) {
  status_cat = 0;
  if (!platform::sleepWhileRunning(kStartPauseMs, w->running)) return;
  if (VerifyCAT(w) != 0) {
    platform::sysLog(kErr, "Unable to open device %s", w->setup->CatPort);
    platform::errPrintf("CAT: Unable to open device %s\n", w->setup->CatPort);
    ExitCAT(w);
    return;
  }
  const int fd = w->catFD;
  platform::sysLog(kInfo, "OK works->catFD=%d (%s)", fd, w->setup->CatPort);
  status_cat = 1;
  while (enabled(w)) {
    const Message m = relayOne(w, fd);
    if (m == Message::ReadFailed) {
      platform::sysLog(kErr, "CAT relay: read from the CAT port failed");
      break;
    }
  }
  ExitCAT(w);
}
