#include "ui/supply.h"

#include "amp/temperature.h"
#include "state/works.h"

float SupplyVoltage(Works* works) { return CalvTensVadcAmp(works, works->tinyReply3); }
