#include "ui/tune_handshake.h"

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "state/works.h"
#include "tune/autotune_control.h"
#include "ui/ext_io_view.h"
#include "ui/freq_road.h"

namespace {

// Ticks (10 ms each) the carrier request may wait for the link to take it:
// the companion speaks ten times a second, so a second means it is silent.
constexpr int kReadyNotTakenTicks = 100;

// Other threads set and clear other bits of AutoTuneMode, so bits change one
// atomic operation at a time.
void setBits(Works* w, uint8_t bits) { w->AutoTuneMode.fetch_or(bits); }
void clearBits(Works* w, uint8_t bits) { w->AutoTuneMode.fetch_and(static_cast<uint8_t>(~bits)); }

// The transceiver's antenna choice is followed only while nothing else owns the
// antenna: no tune, no carrier, no manual tune with the carrier on.
void followAntenna(Works* w, const ExtIoView& ext) {
  if (ext.antenna == w->anMode || w->tunerRunning != 0 || w->extTx != 0 || (w->manualTune & 0x30)) return;
  w->anMode = ext.antenna;
  IncPNTIn_CMDLinear(kCmdAntennaMode, w);
}

// After the link confirms the end of a tune, wait about ten ticks before the
// next tune may start.
void waitAfterEnd(Works* w, HandshakeCounters& c, bool resetCounters) {
  if (c.c0 + 10 < c.c1) {
    clearBits(w, kAtmStarted | kAtmKeyStarted | kAtmEndSeen);
    if (resetCounters) c = {};
    return;
  }
  if (c.c0 == 0) c.c0 = c.c1;
  ++c.c1;
}

// Ends a key-started tune whose carrier never came.
void giveUp(Works* w, uint8_t bits) {
  EscAutoTune(w, 0);
  AddErrore(w, kErrTuneAbort);
  clearBits(w, bits);
}

}  // namespace

void TuneOnTransmitHandshake(Works* w, HandshakeCounters& c, const ExtIoView& ext) {
  const bool tx = ext.tx == 1;
  w->extTx = tx ? 1 : 0;
  followAntenna(w, ext);
  const uint8_t f = w->AutoTuneMode;
  if (!(f & kAtmEnabled)) return;
  if (tx && !(f & (kAtmStarted | kAtmKeyStarted))) {
    if (w->manualTune == 0 && w->tuneHoldoff == 0) {
      // A bypassed tuner does not start: marking a tune that never ran as
      // started would wait for its end for ever and no later carrier would
      // tune. The next carrier after the tuner is back in line tunes.
      StartAutotune(w);
      if (w->tunerRunning != 0) {
        setBits(w, kAtmStarted);
        c = {};
      }
    } else if (w->tuneHoldoff > 0) {
      --w->tuneHoldoff;
    }
  } else if (f & kAtmEndSeen) {
    waitAfterEnd(w, c, !tx);
  } else if ((f & kAtmKeyStarted) && !tx && !(f & kAtmReadyAcked)) {
    if (f & kAtmReady) {
      // The link passes the carrier request on with the transceiver's next
      // message. A transceiver that never speaks would leave the tune waiting
      // for ever with the protections off: give up as on an unanswered request.
      if (++c.c1 > kReadyNotTakenTicks) giveUp(w, kAtmKeyStarted | kAtmReady);
    } else if (w->cmdPath.empty()) {
      setBits(w, kAtmReady);
      c = {};
    }
  } else if ((f & kAtmKeyStarted) && !tx && (f & kAtmReadyAcked)) {
    if (c.c1 > 30) {
      giveUp(w, kAtmKeyStarted | kAtmReadyAcked);
    } else {
      ++c.c1;
    }
  } else if ((f & kAtmKeyStarted) && tx && !(f & kAtmReadyAcked)) {
    c = {};
  }
}
