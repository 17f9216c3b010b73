#include "amp/init_micro_cmd.h"

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
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
