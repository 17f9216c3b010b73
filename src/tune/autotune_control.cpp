#include "tune/autotune_control.h"

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/temperature.h"
#include "platform/log.h"
#include "state/works.h"
#include "tables/config_table.h"
#include "tables/tuner_memory.h"
#include "tune/tune_records.h"

using platform::errPrintf;

void GoTune(Works* w) {
  if (w->TUNEenabled & 0x80) return;  // no tuner installed
  if (w->tunerRunning != 0) {
    errPrintf("esc tune TUNEMENU\n");
    EscAutoTune(w, 0);
    return;
  }
  const uint8_t mode = w->AutoTuneMode;
  errPrintf("c-START TUNE (%x)!!\n", mode);
  if (!(mode & kAtmEnabled) || (mode & kAtmEndSeen)) return;
  if (TemperatureAlarmActive(w)) {
    // The tune would take the protections off the hot amplifier.
    w->hintFlags.fetch_or(kHintTuneTooHot);
    errPrintf("tune refused: temperature alarm\n");
    return;
  }
  StartAutotune(w);
  errPrintf("b-START TUNE!!\n");
  if (w->ModeWorkIdx == 1) {
    // Ask the companion transceiver for a carrier (the tune-on-transmit handshake).
    w->AutoTuneMode.fetch_and(static_cast<uint8_t>(~kAtmReadyAcked));
    w->AutoTuneMode.fetch_or(kAtmKeyStarted);
    errPrintf("a-START TUNE!!\n");
  }
}

void StartAutotune(Works* w) {
  if (w->atuBypass) return;  // a bypassed tuner is not tuned
  w->tuneStepNo = 0;
  // Nothing of an earlier tune may be judged as this one's measurement.
  {
    std::lock_guard lock(TuneRecordsLock());
    Clr_vTuneParam(w);
    TuneRecordsRef().cnttune = 0;
  }
  // One ordered sequence: it switches protections on and off again on purpose.
  CmdBatch batch(w);
  IncPNTIn_CMDLinear(kCmdProtectionsOn, w);
  IncPNTIn_CMDLinear(kCmdAttenuatorTune, w);
  // The carrier must not trip the input threshold while the tuner searches.
  w->sogliaPWIN = 4095;
  IncPNTIn_CMDLinear(kCmdThresholds, w);
  w->atuBypass = 0;
  IncPNTIn_CMDLinear(kCmdClearProtections, w);
  IncPNTIn_CMDLinear(kCmdProtectionsOff, w);
  w->cmdQueueActive = 1;
  w->tunerRunning = 1;
  if (w->ampStatus[0] & 0x01) {
    w->anMode = 0;
    IncPNTIn_CMDLinear(kCmdAntennaMode, w);
  }
  errPrintf("--------- START AUTO TUNE (%x) %i\n", w->AutoTuneMode.load(), w->tuneStepNo.load());
}

void EscAutoTune(Works* w, int store) {
  std::lock_guard lock(TuneRecordsLock());
  TuneRecords& r = TuneRecordsRef();
  const float swr = r.tuneParam.swr;
  if (swr <= kTuneMaxStoredSwr) {
    if (store == 1) InsertTuneToMem(w, w->NumBanco, w->antennaIndex);
  } else if (r.cnttune > 0) {
    // An abort before the first measurement has nothing to judge: only a
    // measured tune can have ended too high.
    AddErrore(w, kErrTuneMaxSwr);
    errPrintf("------- ERRORE MAX TUNE (%f)\n", swr);
  }
  {
    // The attenuation and the band segment's thresholds come back at once,
    // however the tune ended: the tune raised the input threshold to its top.
    // An alarm's attenuation is held, not undone (see SetProtectionHold).
    CmdBatch batch(w, CmdBatch::kUrgent);
    IncPNTIn_CMDLinear(kCmdAttenuator, w);
    w->sogliaIdx = -1;
    SearchCambioSoglie_TS(w);
  }
  r.cnttune = 0;
  if (w->AutoTuneMode & kAtmEnabled) w->AutoTuneMode.fetch_or(kAtmEnded);
  w->tunerRunning = 0;
}
