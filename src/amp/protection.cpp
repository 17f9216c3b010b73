#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/temp_log.h"
#include "amp/temperature.h"
#include "platform/log.h"
#include "state/works.h"
#include "tune/autotune_control.h"

using platform::errPrintf;

void AttivaDisattivaProtezione(Works* w, int on) {
  CmdBatch batch(w, CmdBatch::kUrgent);
  if (on == 1) {
    IncPNTIn_CMDLinear(kCmdProtectionsOn, w);
    IncPNTIn_CMDLinear(kCmdAttenuatorFull, w);
    errPrintf("PROTEZIONE ON -------------\n");
  } else {
    IncPNTIn_CMDLinear(kCmdProtectionsOff, w);
    errPrintf("PROTEZIONE OFF -------------\n");
  }
}

namespace {

// The hottest reading the thermistor table gives (the smoothed reading comes
// within a hair of it) counts as above any limit at or below it: a limit of
// 80 could otherwise never be passed.
constexpr float kTopOfScale = 80.0f, kTopMargin = 0.05f;
bool atTopOfScale(float t, float limit) { return t >= kTopOfScale - kTopMargin && limit <= kTopOfScale; }

int sensorOf(int alarmCode) { return alarmCode == kErrTemp1Alarm ? 0 : 1; }

void updateHold(Works* w) { SetProtectionHold(w, w->tempAlarmLatched[0] || w->tempAlarmLatched[1]); }

// Above the limit: protection first. A running tune ends (nothing stored)
// before the alarm's own commands, so its restore cannot undo them; the
// protections go on once per alarm, even while errors are still muted.
void raiseAlarm(Works* w, int alarmCode, int afterAlarmCode, int warningCode, float temperature) {
  std::atomic<uint8_t>& latched = w->tempAlarmLatched[sensorOf(alarmCode)];
  const bool muted = w->errorsMuted & 1;
  if (latched && muted) return;  // already protected; the error waits for the amplifier's answer
  if (w->tunerRunning) EscAutoTune(w, 0);
  CmdBatch batch(w, CmdBatch::kUrgent);
  if (!latched) {
    AttivaDisattivaProtezione(w, 1);
    latched = 1;
    updateHold(w);
    if (w->EnableLOGTemp == 1) {
      LogTempFunction(w, 1);
      w->logTempRunning = 0;
    }
  }
  if (muted) {
    errPrintf("!!!!  TEMP ALLARM: %02.02f (%i) errors muted\n", temperature, alarmCode);
    return;
  }
  DeleteErrore(w, warningCode);
  DeleteErrore(w, afterAlarmCode);
  AddErrore(w, alarmCode);
  IncPNTIn_CMDLinear(kCmdAmpInLine, w);
  errPrintf("!!!!  TEMP ALLARM: %02.02f (%i)\n", temperature, alarmCode);
}

}  // namespace

bool TemperatureAlarmActive(Works* w) { return w->tempAlarmLatched[0] || w->tempAlarmLatched[1]; }

void GestTemperatureFunction(Works* w, int alarmCode, int afterAlarmCode, int warningCode, float temperature,
                             float limit) {
  float back = limit - static_cast<float>(w->Isteresi1);
  std::atomic<uint8_t>& latched = w->tempAlarmLatched[sensorOf(alarmCode)];
  if (temperature > limit || atTopOfScale(temperature, limit)) {
    if (ExistError(w, alarmCode)) return;
    raiseAlarm(w, alarmCode, afterAlarmCode, warningCode, temperature);
  } else if (temperature < back) {
    if (latched.exchange(0)) updateHold(w);
    if (ExistError(w, alarmCode)) {
      DeleteErrore(w, alarmCode);
      RequestProtectionCmd(kCmdAmpBypass, w);
      AddErrore(w, afterAlarmCode);
      errPrintf("!!!! END TEMPERATURE ERROR (%i)\n", alarmCode);
    }
    if (ExistError(w, warningCode)) {
      DeleteErrore(w, warningCode);
      errPrintf("!!!! WARNING: Warning Temperatura Rientrato!! (%i)\n", warningCode);
    }
  } else if (!ExistError(w, alarmCode) && !ExistError(w, warningCode)) {
    AddErrore(w, warningCode);
    errPrintf("!!!! WARNING: Quasi in Temperatura!! (%i)\n", warningCode);
  }
}
