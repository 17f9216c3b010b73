#include "amp/temp_log.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>

#include "amp/temperature.h"
#include "platform/board.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/remount.h"
#include "state/works.h"

using platform::errPrintf;

namespace {

// The link thread (protection events) and the timer thread (every 5 s) both
// append; one at a time, each inside its own remount bracket.
std::mutex gLogMutex;

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

// Appends one line, creating the file with its header when missing. The file
// is replaced whole so a power cut never leaves a torn log.
void appendLine(Works* w, int mode) {
  std::string content;
  if (platform::fileExists(kLogTempPath)) {
    auto old = platform::readFile(kLogTempPath);
    if (!old) {
      platform::sysLog(platform::kErr, "can't open %s for reading (%d)", kLogTempPath, errno);
      errPrintf("can't open %s for reading (%d)\n", kLogTempPath, errno);
      return;
    }
    content = std::move(*old);
    if (!content.empty() && content.back() != '\n') content += '\n';
  } else {
    content = ";TX,Temp1,Temp2,FDD,SWR\n";
  }
  content += logLine(w, mode);
  if (!platform::writeFileAtomic(kLogTempPath, content)) {
    platform::sysLog(platform::kErr, "can't open %s for writing (%d)", kLogTempPath, errno);
    errPrintf("can't open %s for writing (%d)\n", kLogTempPath, errno);
  }
}

}  // namespace

void LogTempFunction(Works* w, int mode) {
  std::lock_guard lock(gLogMutex);
  if (!RemountSetRW()) {
    errPrintf("can't mount rw /opt/set/ error %d\n", errno);
    return;
  }
  if (mode == -1)
    platform::removeFile(kLogTempPath, platform::RemoveMode::Plain);
  else
    appendLine(w, mode);
  // Always back to read-only, also after a failed write.
  if (!RemountSetRO()) errPrintf("can't mount ro /opt/set/ error %d\n", errno);
}
