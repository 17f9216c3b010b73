#include "amp/temp_log.h"

#include <cstdio>
#include <string>

#include "amp/temperature.h"
#include "platform/log.h"
#include "state/outbox.h"
#include "state/works.h"

namespace {

constexpr const char* kLogTempHeader = ";TX,Temp1,Temp2,FDD,SWR\n";

std::string logLine(Works* w, int mode) {
  // The amplifier supply reading comes from the front-panel controller.
  const int supplyByte = w->tinyReply3;
  float amps = w->ampCurrentRaw / 4096.0f * 14.05f;
  char values[160];
  std::snprintf(values, sizeof values, "%04.01f,%04.01f,%02.01fW,%03.02f,%04.01fV,%04.01fA", w->paTemp1.load(),
                w->paTemp2.load(), w->pwrFwd.load(), w->swrValue.load(), CalvTensVadcAmp(w, supplyByte), amps);
  bool transmitting = w->ampStatus[1] & 0x01;
  return ClockText(w) + (transmitting ? " , 1," : " , 0,") + values + (mode == 1 ? " -> protezione attiva\n" : "\n");
}

}  // namespace

void LogTempFunction(Works* w, int mode) {
  // The line is made now, with the readings of this moment, and queued: the
  // link thread that logs an alarm must not wait on the card.
  if (mode == -1) {
    FileOutbox().remove(kLogTempPath, platform::RemoveMode::Plain);
    return;
  }
  FileOutbox().append(kLogTempPath, logLine(w, mode), kLogTempHeader);
  if (mode == 1) w->logTempWaitReceive = 1;
}
