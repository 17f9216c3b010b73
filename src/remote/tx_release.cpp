#include "remote/tx_release.h"

#include "links/ext_io_commands.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "state/works.h"

using platform::kErr;

namespace {

constexpr char kReceive[] = "RX;";
// Longer commands are not keying commands; only their start is kept.
constexpr size_t kCommandKept = 8;

bool relaysKeyed(const Works* w) { return (w->ampStatus[1] & 0x01) != 0; }

}  // namespace

void PeerCatWatch::take(const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == ';') {
      command();
      current_.clear();
    } else if (current_.size() < kCommandKept) {
      current_ += c;
    }
  }
}

void PeerCatWatch::command() {
  // Every "TX" form keys one transceiver or another (Kenwood's TX0 is
  // transmit, Yaesu's TX0 is receive); counting them all as keying is the
  // safe reading: a release the transceiver did not need costs nothing.
  if (current_.rfind("TX", 0) == 0) {
    int64_t none = 0;
    w_->remoteKeyedSinceMs.compare_exchange_strong(none, platform::monotonicMs());
  } else if (current_ == "RX") {
    w_->remoteKeyedSinceMs = 0;
  }
}

bool TransmitStands(const Works* w, bool localToo) {
  if (w->remoteKeyedSinceMs != 0) return true;
  return localToo && (relaysKeyed(w) || w->extTx == 1);
}

void ReleaseTransmitter(Works* w, const char* why) {
  w->remoteKeyedSinceMs = 0;
  bool sent = false;
  const int cat = w->catFD;
  if (cat > 0) sent = platform::writeAll(cat, kReceive, sizeof kReceive - 1) || sent;
  const int ext = w->serFD;
  if (ext > 0) sent = writeSerialPort(ext, kReceive, sizeof kReceive - 1, w) || sent;
  platform::sysLog(kErr, "remote: %s: transmitter released (\"RX;\" %s)", why,
                   sent ? "sent" : "not sent: no CAT port or external IO link open");
}

void CheckRemoteTxLimit(Works* w, int64_t nowMs) {
  const int64_t since = w->remoteKeyedSinceMs;
  const int limitS = w->remoteTxLimitS;
  if (since == 0 || limitS <= 0 || nowMs - since < static_cast<int64_t>(limitS) * 1000) return;
  ReleaseTransmitter(w, "transmission keyed from the peer passed RemoteTxLimit");
}
