#include "amp/init_micro_cmd.h"

#include "amp/cmd_ring.h"
#include "platform/log.h"
#include "tables/config_table.h"

void InitMicroCmd(Works* w) {
  platform::errPrintf("Init CRT ... ");
  for (int code : {0, 36, 37, 38, 17}) IncPNTIn_CMDLinear(code, w);
  SearchCambioSoglie_TS(w);
  for (int code : {21, 7, 12, 11, 24, 33, 34, 13, 32}) IncPNTIn_CMDLinear(code, w);
}
