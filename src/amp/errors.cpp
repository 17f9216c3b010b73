#include "amp/errors.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/init_micro_cmd.h"
#include "platform/log.h"
#include "state/setup_record.h"
#include "state/thread_starter.h"
#include "state/works.h"

using platform::errPrintf;

namespace {

bool validCode(int code) { return code >= 0 && code < kNumErrors; }

// Reaction flags never change at run time, so they are read from the built-in
// table without taking the lock.
uint8_t descFlags(int code) { return validCode(code) ? kErrorDescriptors[code].flags : 0; }

int findLocked(Works* w, int code) {
  for (int i = 0; i < w->errorCount; ++i)
    if (w->errorList[i] == code) return i;
  return -1;
}

void removeAtLocked(Works* w, int index) {
  int n = w->errorCount;
  for (int i = index; i + 1 < n; ++i) w->errorList[i] = w->errorList[i + 1];
  w->errorList[n - 1] = 0;
  w->errorCount = n - 1;
}

// Removes the codes for which `pick` holds, logging each with its position.
template <typename Pick>
void removeWhere(Works* w, Pick pick) {
  std::lock_guard lock(w->errorMutex);
  for (int i = 0; i < w->errorCount;) {
    int code = w->errorList[i];
    if (!pick(code)) {
      ++i;
      continue;
    }
    removeAtLocked(w, i);
    errPrintf("Del temp err: %i (%i , %i)\n", code, i, static_cast<int>(w->errorCount));
  }
}

void setFlagOnce(Works* w, uint8_t bit, const char* line) {
  uint8_t old = w->errorFlags.fetch_or(bit);
  if (!(old & bit)) errPrintf(line, old | bit);
}

}  // namespace

void InitErrorTable(Works* w) {
  std::lock_guard lock(w->errorMutex);
  w->errorTable = kErrorDescriptors;
}

ErrorDescriptor GetErrorDescriptor(Works* w, int code) {
  if (!validCode(code)) return ErrorDescriptor{};
  std::lock_guard lock(w->errorMutex);
  return w->errorTable[code];
}

void SetErrorLine2(Works* w, int code, const char* text) {
  if (!validCode(code) || !text) return;
  std::lock_guard lock(w->errorMutex);
  char* line = w->errorTable[code].line2;
  std::snprintf(line, sizeof w->errorTable[code].line2, "%s", text);
}

int ErrorSnapshot(Works* w, int (&out)[kNumErrors]) {
  std::lock_guard lock(w->errorMutex);
  int n = w->errorCount;
  for (int i = 0; i < n; ++i) out[i] = w->errorList[i];
  return n;
}

void AddErrore(Works* w, int code) {
  if (w->errorsMuted & 1) return;
  if (!validCode(code)) {
    errPrintf("Add: unknown error code %i ignored\n", code);
    return;
  }
  {
    std::lock_guard lock(w->errorMutex);
    if (findLocked(w, code) >= 0) return;
    int n = w->errorCount;
    w->errorList[n] = code;
    w->errorCount = n + 1;
    errPrintf("Add: N: %i err:%i\n", n + 1, code);
  }
  uint8_t flags = descFlags(code);
  if (flags & kErrDescProtection) setFlagOnce(w, kErrFlagBiasReset, " -->set protezione 0x%x\n");
  if (flags & kErrDescTemporary) setFlagOnce(w, kErrFlagTemporary, " -->tasto reset errore 0x%x\n");
}

void DeleteErrore(Works* w, int code) {
  std::lock_guard lock(w->errorMutex);
  int i = findLocked(w, code);
  if (i < 0) return;
  removeAtLocked(w, i);
  errPrintf("Del ERROR: N: %i err:%i\n", static_cast<int>(w->errorCount), code);
}

int ExistError(Works* w, int code) {
  std::lock_guard lock(w->errorMutex);
  return findLocked(w, code) >= 0 ? 1 : 0;
}

int ExistAnError(Works* w) {
  std::lock_guard lock(w->errorMutex);
  return w->errorCount > 0 ? w->errorList[0] : -1;
}

void VerifyWarningTemporanei(Works* w) {
  removeWhere(w, [](int code) { return (descFlags(code) & kErrDescTemporary) != 0; });
}

void VerifyWarningTemporaneiDopoResetBias(Works* w) {
  removeWhere(w, [](int) { return true; });
}

void ResetBiasCmd(Works* w) {
  // One sequence, ahead of ordinary commands; it may ask for a setting twice
  // (the start-up list inside it), and both stay.
  CmdBatch batch(w, CmdBatch::kUrgent);
  int status1 = w->ampStatus[1];
  int status2 = w->ampStatus[2];
  if (status2 != 0 || (status1 & 0x02)) {
    IncPNTIn_CMDLinear(kCmdClearProtections, w);
    errPrintf(">>> ERRORI: RESET Protezione AMPL!\n");
  }
  if (status2 & 0x80) InitMicroCmd(w);
  IncPNTIn_CMDLinear(kCmdProtectionsOff, w);
  IncPNTIn_CMDLinear(w->ampBypass == 1 ? kCmdAmpBypass : kCmdAmpInLine, w);
  IncPNTIn_CMDLinear(kCmdAttenuator, w);
}

void ClearDisplayError(Works* w) {
  w->errorFlags |= kErrFlagResetPending;
  for (int code : {kErrTuneTimeout, kErrTuneSwr, kErrTuneAbort}) DeleteErrore(w, code);
  // The status byte is shown as the hexadecimal digit it arrived as.
  errPrintf(" -->reset protezione %c\n", "0123456789ABCDEF"[w->ampStatus[1] & 0x0F]);
}

void VerificaEsistonoErrori(Works* w) {
  int oldest = ExistAnError(w);
  if (oldest < 0) return;
  errPrintf("FOUND ERR: %d \n", oldest);
  ResetBiasCmd(w);
  VerifyWarningTemporaneiDopoResetBias(w);
}

void GestErrore(Works* w) {
  errPrintf(">>> ERRORI: GestErrore\n");
  uint8_t flags = w->errorFlags;
  if ((flags & kErrFlagBiasReset) && w->errorResendState != 0) {
    // A reset already on its way: presses in quick succession start no second one.
    errPrintf(">>> ERRORI: reset already running\n");
  } else if (flags & kErrFlagBiasReset) {
    errPrintf(">>> ERRORI: ResetBiasCmd\n");
    ResetBiasCmd(w);
    w->cmdQueueActive = 1;
    w->errorResendState = 1;
  } else if (flags & kErrFlagTemporary) {
    VerifyWarningTemporanei(w);
    w->errorFlags &= static_cast<uint8_t>(~kErrFlagTemporary);
  } else if (w->errorCount > 0) {
    errPrintf(">>> ERRORI2: VerificaEsistonoErrori\n");
    VerificaEsistonoErrori(w);
  }
  GestErroreRemote(w);
}

void GestErroreRemote(Works* w) {
  SetupRecord& s = *w->setup;
  errPrintf(">>> RESTART REMOTE: %i %i audio %x %x\n", static_cast<int>(w->remoteStarted),
            static_cast<int>(w->remoteActive), static_cast<unsigned>(s.EnableWrite.load()),
            static_cast<unsigned>(s.EnableRead.load()));
  if (w->remoteStarted != 1) return;
  // Only one caller may take the restart.
  int active = 1;
  if (!w->remoteActive.compare_exchange_strong(active, 0)) return;
  errPrintf(">>> RESTART REMOTE!\n");
  struct Remote {
    SetupFlag& flag;
    LinkThread thread;
    const char* line;
  } remotes[] = {{s.EnableWrite, LinkThread::AudioWrite, "start audio write\n"},
                 {s.EnableRead, LinkThread::AudioRead, "start audio read\n"},
                 {s.EnableCAT, LinkThread::CatRelay, nullptr},
                 {s.EnableFFT, LinkThread::Spectrum, nullptr}};
  for (Remote& r : remotes) {
    char off = '0';
    if (!r.flag.compare_exchange_strong(off, '1')) continue;
    if (r.line) errPrintf("%s", r.line);
    StartLinkThread(w, r.thread);
  }
}

int GPIO_Errori(Works* w) {
  if (w->errorFlags != 0) {
    errPrintf("----------> 1- ERRORI!!\n");
    GestErrore(w);
    return 1;
  }
  if (w->errorCount == 0) return 0;
  errPrintf("----------> 2- ERRORI!!\n");
  GestErroreRemote(w);
  // A sensor-1 alarm is cleared only by cooling down: the key keeps its
  // normal function meanwhile.
  if (ExistAnError(w) == kErrTemp1Alarm) return 0;
  VerificaEsistonoErrori(w);
  return 1;
}

void GestErroreSerial(Works* w) {
  ClearDisplayError(w);
  if (w->errorFlags & kErrFlagBiasReset) VerifyWarningTemporaneiDopoResetBias(w);
  if (w->errorFlags & kErrFlagTemporary) {
    VerifyWarningTemporanei(w);
    w->errorFlags &= static_cast<uint8_t>(~kErrFlagTemporary);
  }
  if (w->errorCount > 0) VerificaEsistonoErrori(w);
}

int VerifyError(Works* w) {
  std::lock_guard lock(w->errorMutex);
  for (int i = 0; i < w->errorCount; ++i) {
    int code = w->errorList[i];
    if (code != kErrTemp1Alarm && code != kErrTemp2Alarm && code != kErrTemp1Warn && code != kErrTemp2Warn) return 1;
  }
  return 0;
}
