// Keys of the tuner pages: tune, manual tune and save tune.
#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "platform/log.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/bank_change.h"
#include "tables/tuner_memory.h"
#include "tune/autotune_control.h"
#include "tune/tune_word.h"
#include "ui/hints.h"
#include "ui/key_pages.h"
#include "ui/lumomenu.h"

namespace {

constexpr uint8_t kHintNotSaved = 0x02;  // "ATU ByPass not saved!"
// Why TUNE did nothing: cleared by the next key of the page, as the one above.
constexpr uint8_t kTuneHints = kHintNotSaved | kHintTuneOff | kHintTuneBypassed;
constexpr int kTuneStepMax = 511;
constexpr int kCaptionStartStop = 10;  // top caption of button 6

void toggleTunerBypass(Works* w) {
  platform::errPrintf("xxxxx TUNE_ByPass %x\n", w->atuBypass.load());
  if (w->atuBypass) {
    w->atuBypass = 0;
    GestioneLoadTuneVal(w, 1);
  } else {
    w->atuBypass = 1;
    IncPNTIn_CMDLinear(kCmdTunerBypass, w);
  }
  SaveToBank(w, w->NumBanco, w->antennaIndex);
}

// Sends the whole amplifier set-up again, as it stands: an amplifier that
// reports standby stays there ("AB1;"), as the protection reset restores it.
// It switches relays, so not under the carrier.
void resendSetUp(Works* w) {
  if (RelaysHeld(w)) {
    AddErrore(w, kErrCmdNotAvailable);
    return;
  }
  for (int code : {kCmdProtectionsOff, kCmdClearProtections}) IncPNTIn_CMDLinear(code, w);
  if (w->ModeWorkIdx != 0) IncPNTIn_CMDLinear(kCmdFrequency, w);
  const bool standby = w->ampBypass == 1;
  for (int code :
       {kCmdThresholds, standby ? kCmdAmpBypass : kCmdAmpInLine, kCmdAntennaMode, kCmdAntenna, kCmdAttenuator})
    IncPNTIn_CMDLinear(code, w);
}

// One manual step of L or C, inside the 0..511 range, under the tune-word lock.
void stepTuner(Works* w, bool inductance, int delta) {
  WaitSemaforoTuneval(w);
  const int now = inductance ? w->tuneL.load() : w->tuneC.load();
  const int next = now + delta;
  if (next >= 0 && next <= kTuneStepMax) {
    // SetI and SetC only rewrite the word: the decoded setting is what the next
    // step starts from and what the page shows, so it moves with the word.
    if (inductance) {
      SetI(w, next);
      w->tuneL = next;
    } else {
      SetC(w, next);
      w->tuneC = next;
    }
    IncPNTIn_CMDLinear(kCmdSetTuneWord, w);
  }
  StopSemaforoTuneval(w);
}

void stepNetworkMode(Works* w) {
  if (w->tunerRunning) return;
  WaitSemaforoTuneval(w);
  const int mode = w->tuneMode;
  SetMode(w, mode >= 1 && mode < 3 ? mode + 1 : 1);
  IncPNTIn_CMDLinear(kCmdSetTuneWord, w);
  StopSemaforoTuneval(w);
}

// STARTTX / StopTX: asks the companion transceiver for a carrier while the
// operator steps L and C.
void startStopTx(Works* w) {
  if (w->manualTune & 0x02) {
    w->manualTune = static_cast<uint8_t>((w->manualTune & 0xCD) | 0x01);
    SetLumoCaption(kLumoManualTune, kCaptionStartStop, "StartTX");
    return;
  }
  if (w->ampStatus[0] & 0x01) {
    w->anMode = 0;
    IncPNTIn_CMDLinear(kCmdAntennaMode, w);
    w->manualTune |= 0x10;
  }
  w->manualTune |= 0x03;
  SetLumoCaption(kLumoManualTune, kCaptionStartStop, "StopTX");
}

// TUNE: starts or ends a tune; when it can do neither, the hint says why.
void tuneKey(Works* w) {
  platform::errPrintf("xxxxx AUTO TUNE_ByPass %x\n", w->atuBypass.load());
  w->hintFlags &= static_cast<uint8_t>(~kTuneHints);
  const bool installed = !(w->TUNEenabled & 0x80);  // the caption says "NotInst" otherwise
  if (w->atuBypass) {
    w->hintFlags |= kHintTuneBypassed;
  } else if (installed && w->tunerRunning == 0 && !(w->AutoTuneMode & kAtmEnabled)) {
    w->hintFlags |= kHintTuneOff;
  } else {
    GoTune(w);
  }
}

}  // namespace

int KeysTune(Works* w, const KeyPress& key) {
  if (key.button != 4) w->hintFlags &= static_cast<uint8_t>(~kTuneHints);
  switch (key.button) {
    case 1:
      if (!w->tunerRunning) w->menuPage = kLumoMain;
      break;
    case 4:
      tuneKey(w);
      break;
    case 5:
      toggleTunerBypass(w);
      break;
    case 6:
      if (key.longPress) {
        resendSetUp(w);
      } else if (w->manualMode) {
        w->manualMode = 0;
      } else {
        w->manualMode = 1;
        IncPNTIn_CMDLinear(kCmdReadTuneWord, w);
        w->menuPage = kLumoManualTune;
      }
      break;
  }
  return 0;
}

int KeysManualTune(Works* w, const KeyPress& key) {
  const int held = key.longFlags & (1 << (key.button - 1));
  switch (key.button) {
    case 1:
      if (key.longPress) {
        stepNetworkMode(w);
      } else {
        // As StopTX: the carrier and the antenna mode STARTTX took go back
        // (bits 1 and 4), or automatic tuning and antenna following would
        // stay blocked after the page is left.
        w->manualTune = static_cast<uint8_t>((w->manualTune & 0xCD) | 0x01);
        w->tuneMemBank = w->NumBanco.load();
        w->tuneMemAnt = w->antennaIndex.load();
        w->menuPage = kLumoSaveTune;
      }
      return 0;
    case 2:
      stepTuner(w, true, -1);
      return held;
    case 3:
      stepTuner(w, true, +1);
      return held;
    case 4:
      stepTuner(w, false, -1);
      return held;
    case 5:
      stepTuner(w, false, +1);
      return held;
    case 6:
      startStopTx(w);
      return 0;
  }
  return 0;
}

int KeysSaveTune(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      w->menuPage = kLumoMain;
      break;
    case 2:
      w->tuneMemBank = WrapStep(w->tuneMemBank, 1, w->MAXbank);
      break;
    case 3:
      w->tuneMemAnt = WrapStep(w->tuneMemAnt, 1, 3);
      break;
    case 6:
      // The word decides, not `tuneMode`: the link thread puts the word in
      // bypass (or back in line) without refreshing the decoded mode.
      if (DecodeModoFromTuneval(w->tuneWord) == 3) {
        w->hintFlags |= kHintNotSaved;  // a bypassed tuner has nothing to store
      } else {
        LoadTabAtu(w, w->tuneMemBank, w->tuneMemAnt);
        InsertTuneToMem(w, w->tuneMemBank, w->tuneMemAnt);
        LoadAllBankTable(w, w->NumBanco);
      }
      w->menuPage = kLumoTune;
      break;
  }
  return 0;
}
