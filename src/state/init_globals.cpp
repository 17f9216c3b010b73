#include "state/init_globals.h"

#include "state/globals.h"
#include "state/works.h"

void InitGlobalVar(Works* w) {
  w->running = 1;
  w->imgReload = 1;
  w->sockFD = -1;
  w->pollDelayUs = 10000;
  w->freq = 14070000;
  w->lastFreq = 14070000;
  w->spanHz = 160000;
  w->screenPage = 1;
  w->ampBypass = 1;
  w->FreqPeriodTime = 10;
  w->sogliaPWIN = 4095;
  w->sogliaFWD = 4095;
  w->sogliaREFL = 1500;
  w->sogliaCorrente = 3700;
  w->tinyCmdActive = 176;
  w->MaxTemperature = 60.0f;
  w->MaxTemperature2 = 80.0f;
  w->MaxTempAllowed = 60;
  w->PSpar1 = 1;
  w->PSpar2 = 1000;
  w->GMpar1 = 2;
  w->GMpar2 = 100;
  w->Isteresi1 = 1;
  w->Isteresi2 = 1;
  w->ModeWorkIdx = -1;
  w->NumBanco = 1;
  w->MAXbank = 20;
  w->ampType = 255;
  w->ampVariant = 255;
  w->audioFrameSamples = 240;
  w->audioFormat = 2;
  w->audioRate = 48000;
  w->tcpPort = 6666;
  w->AudioBuffers = 20;
  w->remoteTxLimitS = 180;
  w->pairingCode = -1;
  w->errorsMuted = 1;
  w->fanPercentSent = -1;
  w->sogliaIdx = -1;
  w->bandRowIdx = -1;
  w->bandSelCol = -1;  // no cell cursor until the table is opened for editing
  TIME_LONG_PRESS = 0.5;
  w->number_ofStep_meter_FWD = 60;
  w->number_ofStep_meter_REFL = 60;
  w->number_ofStep_meter_SWR = 60;
  w->number_ofStep_meter_PW = 60;
  fattoremedia = 2;
  PeakDecrement = 1.0;
  PeakDecrementTime = 1;
  TimerPeakSec = 3000;
}
