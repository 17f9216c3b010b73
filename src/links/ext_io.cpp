// The external IO link of the companion transceiver: frames its messages,
// keeps the parameter record and the displayed spectrum, and watches the
// transceiver's silence.
#include "links/ext_io.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>

#include "amp/errors.h"
#include "links/ext_io_commands.h"
#include "links/ext_io_frame.h"
#include "links/ext_io_params.h"
#include "links/ext_io_spectrum.h"
#include "links/link_log.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "remote/ws_send.h"
#include "state/ext_io_params.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr int kExtIoFault = 3;
// A cable not plugged in yet, or a transceiver switched off with its USB
// port: tried again at this interval, never a reason to stop the program.
constexpr int64_t kReopenIntervalMs = 5000;
constexpr int64_t kSilenceMs = 1500;
constexpr int kErrorHoldOffMs = 2000;
constexpr size_t kReadChunk = 512;

struct ExtIoLink {
  explicit ExtIoLink(Works* works) : w(works) {}
  Works* w;
  ExtIoFramer rx;
  int64_t lastByteMs = 0;  // last byte of any kind
  int64_t lastGoodMs = 0;  // last message taken
  unsigned long droppedBytes = 0;
  bool silenceRaised = false;  // error 8 raised by this link and not cleared
  bool openFailureLogged = false;
  int64_t lastOpenAttemptMs = 0;
  // One limiter per kind of bad input, so a rare kind is not hidden by a frequent one.
  RateLimitedLog badLength, tooLong, badFrequency, badOffset, badSpectrum, cutShort;
};

std::string portName(Works* w) {
  std::string port = w->setup->SerPort;
  return port.empty() ? kDefaultSerPort : port;
}

bool enabled(Works* w) { return w->running != 0 && w->setup->enaser == '1'; }

// Recorded before it is logged, so a reader of the log line finds it set. A
// fault of another link already on the screen is not hidden.
void setLinkFault(Works* w, const std::string& port) {
  const int shown = w->linkFault;
  if (shown > 0 && shown != kExtIoFault) return;
  {
    std::lock_guard lock(w->linkFaultMutex);
    std::snprintf(w->linkFaultText, sizeof w->linkFaultText, "Serial: Unable to open device %s", port.c_str());
  }
  w->linkFault = kExtIoFault;
}

void openPort(ExtIoLink& link) {
  Works* w = link.w;
  const std::string port = portName(w);
  link.lastOpenAttemptMs = platform::monotonicMs();
  if (!link.openFailureLogged) platform::sysLog(kInfo, "Init Serial Port %s", port.c_str());
  platform::SerialSettings settings;  // 115 200 baud, raw, VMIN 1
  settings.readTimeoutTenths = 0;
  const platform::SerialOpen opened = platform::openSerial(port, settings);
  if (opened.fd < 0) {
    setLinkFault(w, port);
    if (link.openFailureLogged) return;  // one report per outage, then quiet retries
    link.openFailureLogged = true;
    platform::sysLog(kErr, "Unable to open device %s", port.c_str());
    platform::errPrintf("Serial: Unable to open device %s\n", port.c_str());
    return;
  }
  w->serFD = opened.fd;
  link.openFailureLogged = false;
  int fault = kExtIoFault;
  w->linkFault.compare_exchange_strong(fault, 0);
  link.rx.reset();
  link.lastByteMs = link.lastGoodMs = platform::monotonicMs();
  platform::sysLog(kInfo, "OK works->serFD=%d (%s)", opened.fd, port.c_str());
  platform::errPrintf("------------------ OK works->serFD=%d (%s)\n", opened.fd, port.c_str());
}

void waitForPort(ExtIoLink& link) {
  Works* w = link.w;
  const bool due = platform::monotonicMs() - link.lastOpenAttemptMs >= kReopenIntervalMs;
  if (!due && !w->serReopenRequested.exchange(false)) {
    platform::sleepMs(20);
    return;
  }
  w->serReopenRequested = false;
  openPort(link);
}

// Error 8 (in interface type 1 only), at most once per hold-off, with the
// standard-error line that tells which wait ran out.
void raiseLinkError(ExtIoLink& link, const char* line) {
  Works* w = link.w;
  if (w->errorRepeatTimer != 0) return;
  if (w->ModeWorkIdx == 1) {
    AddErrore(w, kErrExtIo);
    link.silenceRaised = true;
  }
  w->errorRepeatTimer = kErrorHoldOffMs;
  platform::errPrintf("%s", line);
}

// A transceiver that sends nothing usable for 1.5 s (silence, or only noise)
// raises the error; the count then starts again.
void watchSilence(ExtIoLink& link, int64_t now) {
  if (now - link.lastGoodMs < kSilenceMs) return;
  link.lastGoodMs = now;
  char line[128];
  if (now - link.lastByteMs >= kSilenceMs)
    std::snprintf(line, sizeof line, "---------------------------------------TIMEOUT EXT IO 1\n");
  else
    std::snprintf(line, sizeof line, "---------------------------------------TIMEOUT EXT IO 1 (%lu bytes, no message)\n",
                  link.droppedBytes);
  raiseLinkError(link, line);
}

void heard(ExtIoLink& link) {
  link.lastGoodMs = platform::monotonicMs();
  link.droppedBytes = 0;
  if (!link.silenceRaised) return;
  link.silenceRaised = false;
  DeleteErrore(link.w, kErrExtIo);
  platform::sysLog(kInfo, "external IO: transceiver heard again");
}

void parameters(ExtIoLink& link) {
  const auto& block = link.rx.payload();
  const ParamBlockFault fault = storeParameters(link.w, static_cast<int>(block.size()), block.data());
  if (fault == ParamBlockFault::BadFrequency) {
    link.badFrequency.log("external IO: parameter block with frequency digits out of range dropped");
    return;
  }
  if (fault == ParamBlockFault::BadOffset) link.badOffset.log("external IO: offset digits out of range ignored");
  heard(link);
  sendWebSockSerParFrame(link.w, block.data(), static_cast<int>(block.size()));
}

void spectrum(ExtIoLink& link) {
  Works* w = link.w;
  const auto& points = link.rx.payload();
  if (static_cast<int>(points.size()) != kExtIoSpectrumPoints) {
    link.badSpectrum.log("external IO: spectrum of %zu points dropped", points.size());
    return;
  }
  heard(link);
  // With the USB receiver's spectrum in use the display takes that one.
  if (w->setup->fftFlag != '0') return;
  ExtIoParams p;
  getParameters(&p, w);
  uint8_t window[kExtIoSpectrumPoints];
  const int count = RotateSpectrum(points.data(), kExtIoSpectrumPoints, SpectrumWindowStart(p), window);
  StoreSpectrumWindow(w, count, window);
  sendWebSockSerSpectrFrame(w, window, count);
}

void onEvent(ExtIoLink& link, ExtIoFramer::Event ev) {
  using Event = ExtIoFramer::Event;
  const ExtIoFramer& rx = link.rx;
  switch (ev) {
    case Event::None:
      return;
    case Event::Skipped:
      ++link.droppedBytes;
      return;
    case Event::BadLength: {
      const uint8_t* h = rx.header();
      link.badLength.log("external IO: length digits %02x %02x %02x %02x out of range, message dropped", h[1], h[2],
                        h[3], h[4]);
      return;
    }
    case Event::TooLong: {
      const uint8_t* h = rx.header();
      link.tooLong.log("----------> 3SERIAL : ERROR dataLength %d   %c%c%c%c!!!!!! (message dropped)", rx.length(),
                       h[1], h[2], h[3], h[4]);
      break;
    }
    case Event::OtherType:
      platform::sysLog(kErr, "Error3");
      break;
    case Event::FlagMismatch:
      break;
    case Event::Message:
      if (rx.type() == 1)
        parameters(link);
      else
        spectrum(link);
      break;
  }
  SendTransceiverCommands(link.w);
}

// Gives up a message the transceiver stopped sending half way: its bytes
// will not come, and the next message must not be taken as its rest.
void dropCutMessage(ExtIoLink& link, int64_t now) {
  if (!link.rx.inMessage() || now - link.lastByteMs < kSilenceMs) return;
  link.cutShort.log("external IO: message cut short (type %d, %zu of %d bytes), dropped", link.rx.type(),
                    link.rx.payload().size(), link.rx.length());
  link.rx.reset();
  raiseLinkError(link, "---------------------------------------TIMEOUT EXT IO 3\n");
}

// A port that fails to read has gone (an unplugged adapter): close it and
// open it again at the retry interval.
void readFailed(ExtIoLink& link, long result) {
  Works* w = link.w;
  platform::sysLog(kErr, "error %d", static_cast<int>(result));
  raiseLinkError(link, "---------------------------------------TIMEOUT EXT IO 2\n");
  platform::closeSerial(w->serFD.exchange(-1));
  link.lastOpenAttemptMs = platform::monotonicMs();
}

void poll(ExtIoLink& link) {
  const int fd = link.w->serFD;
  const int waiting = platform::bytesWaiting(fd);
  const int64_t now = platform::monotonicMs();
  if (waiting <= 0) {
    dropCutMessage(link, now);
    watchSilence(link, now);
    platform::sleepMs(1);
    return;
  }
  uint8_t buf[kReadChunk];
  const long n = platform::readSerial(fd, buf, std::min<size_t>(kReadChunk, static_cast<size_t>(waiting)));
  if (n <= 0) {
    readFailed(link, n);
    return;
  }
  link.lastByteMs = now;
  for (long i = 0; i < n; ++i) onEvent(link, link.rx.push(buf[i]));
  watchSilence(link, now);
}

}  // namespace

void RequestExtIoReopen(Works* w) { w->serReopenRequested = true; }

void Serial(Works* w) {
  ExtIoLink link(w);
  w->serFD = -1;
  w->serReopenRequested = false;
  openPort(link);
  while (enabled(w)) {
    if (w->serFD < 0)
      waitForPort(link);
    else
      poll(link);
  }
  platform::errPrintf("---------------------------------------Serial EXIT %x\n", w->AutoTuneMode.load());
  // Leaving interface type 1 (or the program) must not leave error 8 behind.
  if (link.silenceRaised) DeleteErrore(w, kErrExtIo);
  int fault = kExtIoFault;
  w->linkFault.compare_exchange_strong(fault, -1);
  platform::closeSerial(w->serFD.exchange(-1));
}
