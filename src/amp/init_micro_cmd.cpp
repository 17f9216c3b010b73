#include "amp/init_micro_cmd.h"

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "state/works.h"
#include "platform/log.h"
#include "tables/config_table.h"

void InitMicroCmd(Works* w) {
  platform::errPrintf("Init CRT ... ");
  for (int code : {kCmdReadVersion, kCmdReadData0, kCmdReadData1, kCmdReadData2, kCmdProtectionsOff})
    IncPNTIn_CMDLinear(code, w);
  SearchCambioSoglie_TS(w);
  for (int code : {kCmdAntennaMode, kCmdAntenna, kCmdFreqSensor, kCmdSetTuneWord, kCmdPowerSensor, kCmdGainParams,
                   kCmdReadGeneralSettings, kCmdClearProtections, kCmdQueryReset})
    IncPNTIn_CMDLinear(code, w);
}

namespace {

// The command last asked for a setting, or `fallback` when it never was.
int wantedOr(Works* w, int code, int fallback) {
  const int wanted = w->cmdPath.wanted(AmpSettingKey(code));
  return wanted >= 0 ? wanted : fallback;
}

bool everWanted(Works* w, int code) { return w->cmdPath.wanted(AmpSettingKey(code)) >= 0; }

}  // namespace

void ResendAllSettings(Works* w) {
  platform::errPrintf("Linear: microcontroller restarted, every setting sent again\n");
  w->cmdPath.forgetConfirmed();
  CmdBatch batch(w, CmdBatch::kUrgent);
  for (int code : {kCmdReadVersion, kCmdReadData0, kCmdReadData1, kCmdReadData2})
    IncPNTIn_CMDLinear(code, w);
  IncPNTIn_CMDLinear(wantedOr(w, kCmdProtectionsOff, kCmdProtectionsOff), w);
  IncPNTIn_CMDLinear(kCmdThresholds, w);
  // The tune word in the record is the setting in force (the tune's own steps
  // go out without the outbox), so it is sent as it stands.
  for (int code : {kCmdAntennaMode, kCmdAntenna, kCmdFreqSensor, kCmdSetTuneWord, kCmdPowerSensor, kCmdGainParams,
                   kCmdReadGeneralSettings})
    IncPNTIn_CMDLinear(code, w);
  if (everWanted(w, kCmdGeneralSettings)) IncPNTIn_CMDLinear(kCmdGeneralSettings, w);
  IncPNTIn_CMDLinear(kCmdClearProtections, w);
  IncPNTIn_CMDLinear(kCmdQueryReset, w);
  // What the start-up list leaves to the first frequency road.
  for (int code : {kCmdFrequency, kCmdSetFilter, kCmdFan})
    if (everWanted(w, code)) IncPNTIn_CMDLinear(code, w);
  if (everWanted(w, kCmdAmpInLine)) IncPNTIn_CMDLinear(wantedOr(w, kCmdAmpInLine, kCmdAmpInLine), w);
  if (everWanted(w, kCmdAttenuator)) IncPNTIn_CMDLinear(wantedOr(w, kCmdAttenuator, kCmdAttenuator), w);
}
