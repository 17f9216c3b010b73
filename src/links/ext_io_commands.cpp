#include "links/ext_io_commands.h"

#include "platform/log.h"
#include "platform/serial.h"
#include "state/tune_fields.h"
#include "state/works.h"

namespace {

constexpr char kReceive[] = "RX;";
constexpr char kTuneCarrier[] = "TU120;TX2;";
constexpr int kHoldoffAfterManualReceive = 30;

bool send(Works* w, const char* text, int length) { return writeSerialPort(w->serFD, text, length, w); }

// The tuning and key threads set these bits while this thread clears others:
// one atomic step each.
void swapBits(std::atomic<uint8_t>& flags, uint8_t clear, uint8_t set) {
  uint8_t v = flags.load();
  while (!flags.compare_exchange_weak(v, static_cast<uint8_t>((v & ~clear) | set))) {
  }
}

void autoTuneRequests(Works* w) {
  const uint8_t f = w->AutoTuneMode;
  if (f & kAtmEnded) {
    send(w, kReceive, sizeof kReceive - 1);
    platform::errPrintf("SENT VYR RX;! (0x%x)\n", f);
    swapBits(w->AutoTuneMode, kAtmEnded, kAtmEndSeen);
  }
  if (f & kAtmReady) {
    send(w, kTuneCarrier, sizeof kTuneCarrier - 1);
    platform::errPrintf("SENT VYR TX2;! (0x%x)\n", f);
    swapBits(w->AutoTuneMode, kAtmReady, kAtmReadyAcked);
  }
}

void manualTuneRequest(Works* w) {
  const uint8_t m = w->manualTune;
  if (!(m & 0x01)) return;
  if (!(m & 0x02)) {
    send(w, kReceive, sizeof kReceive - 1);
    platform::errPrintf("SENT VYR RX...\n");
    w->tuneHoldoff = kHoldoffAfterManualReceive;
    swapBits(w->manualTune, 0x01, 0);
  } else if (((m >> 4) & 1) == ((m >> 5) & 1)) {
    send(w, kTuneCarrier, sizeof kTuneCarrier - 1);
    platform::errPrintf("SENT VYR TX2...\n");
    swapBits(w->manualTune, 0x01, 0);
  }
}

}  // namespace

bool writeSerialPort(int fd, const char* data, int length, Works*) {
  return length <= 0 || platform::writeAll(fd, data, static_cast<size_t>(length));
}

void SendTransceiverCommands(Works* w) {
  autoTuneRequests(w);
  manualTuneRequest(w);
}
