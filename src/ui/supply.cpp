#include "ui/supply.h"

#include "amp/temperature.h"

float SupplyVoltage(Works* works) {
  // TODO: the front-panel controller's supply reading (tinyReply3) once the
  // button thread stores it; 0 V until then.
  const int reading = 0;
  return CalvTensVadcAmp(works, reading);
}
