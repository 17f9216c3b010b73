#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/temp_log.h"
#include "amp/temperature.h"
#include "platform/log.h"
#include "state/works.h"

using platform::errPrintf;

void AttivaDisattivaProtezione(Works* w, int on) {
  if (on == 1) {
    IncPNTIn_CMDLinear(kCmdProtectionsOn, w);
    IncPNTIn_CMDLinear(kCmdAttenuatorFull, w);
    errPrintf("PROTEZIONE ON -------------\n");
  } else {
    IncPNTIn_CMDLinear(kCmdProtectionsOff, w);
    errPrintf("PROTEZIONE OFF -------------\n");
  }
}

void GestTemperatureFunction(Works* w, int alarmCode, int afterAlarmCode, int warningCode, float temperature,
                             float limit) {
  float back = limit - static_cast<float>(w->Isteresi1);
  if (temperature > limit) {
    if (ExistError(w, alarmCode)) return;
    DeleteErrore(w, warningCode);
    DeleteErrore(w, afterAlarmCode);
    AddErrore(w, alarmCode);
    AttivaDisattivaProtezione(w, 1);
    if (w->EnableLOGTemp == 1) {
      LogTempFunction(w, 1);
      w->logTempRunning = 0;
    }
    if (!(w->errorsMuted & 1)) IncPNTIn_CMDLinear(kCmdAmpInLine, w);
    errPrintf("!!!!  TEMP ALLARM: %02.02f (%i)\n", temperature, alarmCode);
  } else if (temperature < back) {
    if (ExistError(w, alarmCode)) {
      DeleteErrore(w, alarmCode);
      IncPNTIn_CMDLinear(kCmdAmpBypass, w);
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
