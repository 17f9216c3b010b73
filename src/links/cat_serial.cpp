// The FT-817 CAT link: one "read frequency and mode" request at a time, its
// five-byte reply gathered as it dribbles in, a request again after a silence.
#include "links/cat_serial.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "links/cat_decode.h"
#include "links/link_log.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

std::atomic<int> catProcessStatus{3};
std::atomic<int> counterimeoutCAT{0};

namespace {

constexpr int kCatFault = 2;
constexpr int kStateSend = 3, kStateCollect = 2, kStateDecode = 1;
constexpr int kSilencePolls = 1499;
constexpr long kPauseAfterSilenceMs = 1000;
constexpr long kPauseAfterReplyMs = 20;
constexpr int64_t kReopenIntervalMs = 5000;
// Several byte times at 38 400 baud.
constexpr long kStrayCheckMs = 2;
constexpr uint8_t kRequest[kCatReplySize] = {0, 0, 0, 0, kCatReadFreqMode};

struct CatLink {
  explicit CatLink(Works* works) : w(works) {}
  Works* w;
  uint8_t reply[kCatReplySize] = {};
  int filled = 0;
  bool openFailureLogged = false;
  int64_t lastOpenAttemptMs = 0;
  RateLimitedLog strayReplies;
};

std::string portName(Works* w) {
  std::string port = w->setup->CatSerialPort;
  return port.empty() ? kDefaultCatSerialPort : port;
}

bool enabled(Works* w) { return w->running != 0 && w->setup->enaCatSer == '1'; }

void setLinkFault(Works* w, const char* what, const std::string& port) {
  const int shown = w->linkFault;
  if (shown > 0 && shown != kCatFault) return;  // another link's fault stays on the screen
  {
    std::lock_guard lock(w->linkFaultMutex);
    std::snprintf(w->linkFaultText, sizeof w->linkFaultText, "CAT: %s %s", what, port.c_str());
  }
  w->linkFault = kCatFault;
}

void openPort(CatLink& link) {
  Works* w = link.w;
  const std::string port = portName(w);
  link.lastOpenAttemptMs = platform::monotonicMs();
  if (!link.openFailureLogged) platform::sysLog(kInfo, "Init CATSerial Port %s", port.c_str());
  platform::SerialSettings settings;
  settings.baud = 38400;
  settings.stopBits = 2;
  settings.readTimeoutTenths = 0;
  const platform::SerialOpen opened = platform::openSerial(port, settings);
  if (opened.fd < 0) {
    const bool open = opened.failure == platform::SerialOpen::Failure::Open;
    const char* what = open ? "Unable to open device" : "Unable to set comm port";
    setLinkFault(w, what, port);
    if (link.openFailureLogged) return;  // one report per outage, then quiet retries
    link.openFailureLogged = true;
    platform::sysLog(kErr, "%s %s", what, port.c_str());
    return;
  }
  w->catSerFD = opened.fd;
  link.openFailureLogged = false;
  int fault = kCatFault;
  w->linkFault.compare_exchange_strong(fault, 0);
  platform::sysLog(kInfo, "OK works->catSerFD=%d (%s)", opened.fd, port.c_str());
  platform::errPrintf("---------------- OK works->catSerFD=%d (%s)\n", opened.fd, port.c_str());
  lastCommandSent = 0;
  catProcessStatus = kStateSend;
}

void waitForPort(CatLink& link) {
  Works* w = link.w;
  const bool due = platform::monotonicMs() - link.lastOpenAttemptMs >= kReopenIntervalMs;
  if (!due && !w->catSerReopenRequested.exchange(false)) {
    platform::sleepMs(20);
    return;
  }
  w->catSerReopenRequested = false;
  openPort(link);
}

// Anything still in the buffers belongs to an earlier exchange (a late
// reply, line noise): taken as the start of this reply it would shift every
// reply after it by a byte, and a shifted reply can still read as BCD.
void sendRequest(CatLink& link) {
  link.filled = 0;
  platform::flushInput(link.w->catSerFD);
  writeSerialCatPort(link.w->catSerFD, kRequest, kCatReplySize, link.w);
  lastCommandSent = kCatReadFreqMode;
  catProcessStatus = kStateCollect;
}

void collect(CatLink& link) {
  const int fd = link.w->catSerFD;
  if (platform::bytesWaiting(fd) <= 0) {
    if (++counterimeoutCAT > kSilencePolls) {
      platform::errPrintf("<<<<<<<<<<<<<<<<<<<<TIMEOUT SERIAL CAT!!!!\n");
      link.filled = 0;
      catProcessStatus = kStateSend;
      platform::sleepWhileRunning(kPauseAfterSilenceMs, link.w->running);
      return;
    }
    platform::sleepMs(1);
    return;
  }
  // Only the bytes still missing: a sixth byte belongs to the next reply.
  const long n = platform::readSerial(fd, link.reply + link.filled, static_cast<size_t>(kCatReplySize - link.filled));
  if (n <= 0) {
    platform::sysLog(kErr, "timeout %d\n", static_cast<int>(n));
    platform::sleepMs(kPauseAfterReplyMs);
    return;
  }
  link.filled += static_cast<int>(n);
  if (link.filled == kCatReplySize) catProcessStatus = kStateDecode;
}

// The radio sends its five bytes in one burst; more bytes right behind them
// mean the five were not the reply's (a stray byte came first), so none is
// trusted.
bool strayBytesBehind(CatLink& link) {
  platform::sleepMs(kStrayCheckMs);
  const int more = platform::bytesWaiting(link.w->catSerFD);
  if (more <= 0) return false;
  link.strayReplies.log("CAT FT817 reply followed by %d stray bytes, dropped: %02x %02x %02x %02x %02x", more,
                        link.reply[0], link.reply[1], link.reply[2], link.reply[3], link.reply[4]);
  lastCommandSent = 0;
  return true;
}

void decode(CatLink& link) {
  if (!strayBytesBehind(link)) DecodeCatSerialCmd(link.w, link.reply, link.filled);
  platform::sleepMs(kPauseAfterReplyMs);
  link.filled = 0;
  catProcessStatus = kStateSend;
}

}  // namespace

long writeSerialCatPort(int fd, const uint8_t* data, int length, Works*) {
  const long result = platform::writeAll(fd, data, static_cast<size_t>(length)) ? length : -1;
  counterimeoutCAT = 0;
  return result;
}

void RequestCatSerialReopen(Works* w) { w->catSerReopenRequested = true; }

void CatSerial(Works* w) {
  CatLink link(w);
  w->catSerFD = -1;
  w->catSerReopenRequested = false;
  openPort(link);
  while (enabled(w)) {
    if (w->catSerFD < 0) {
      waitForPort(link);
      continue;
    }
    switch (catProcessStatus.load()) {
      case kStateSend:
        sendRequest(link);
        break;
      case kStateCollect:
        collect(link);
        break;
      default:
        decode(link);
        break;
    }
  }
  int fault = kCatFault;
  w->linkFault.compare_exchange_strong(fault, -1);
  platform::closeSerial(w->catSerFD.exchange(-1));
}
