#include "amp/link_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "amp/crc8.h"
#include "amp/link_retry.h"
#include "amp/link_state.h"
#include "state/works.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "tables/tuner_memory.h"
#include "tune/tune_word.h"

namespace {

struct CmdText {
  char text[40] = {};
  char reply[3] = {};
};

int clampInt(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

// Raw thresholds and parameters travel as fixed-width fields; a value outside
// its field would lengthen the command and shift every later field.
CmdText formatPlain(Works* w, int code) {
  CmdText c;
  auto put = [&](const char* reply, const char* fmt, auto... args) {
    std::snprintf(c.text, sizeof c.text, fmt, args...);
    std::memcpy(c.reply, reply, 2);
  };
  switch (code) {
    case 0:
      put("VS", "VSM;");
      break;
    case 1:
      put("ST", "ST;");
      break;
    case 7:
      put("SA", "SA%d;", clampInt(w->antennaIndex + 1, 1, 9));
      break;
    case 8:
      put("FM", "FM;");
      break;
    case 9:
      put("FA", "FA%011lu;", static_cast<unsigned long>(w->freq.load()));
      break;
    case 10:
      put("MT", "MT;");
      break;
    case 11:
      put("MT", "MT1%08X;", w->tuneWord.load());
      break;
    case 12:
      put("SF", "FS%01d%04d;", clampInt(w->FreqSensIn, 0, 9), clampInt(w->FreqPeriodTime / 10, 0, 9999));
      break;
    case 13:
      put("CP", "CPFFFF;");
      break;
    case 17:
      put("MP", "MP0;");
      break;
    case 18:
      put("MP", "MP1;");
      break;
    case 19:
      put("AB", "AB0;");
      break;
    case 20:
      put("AB", "AB1;");
      break;
    case 21:
      put("AN", "AN%d;", clampInt(w->anMode, 0, 9));
      break;
    case 22:
      put("TS", "TS%04d%04d%04d%04d;", clampInt(w->sogliaPWIN, 0, 4095), clampInt(w->sogliaFWD, 0, 4095),
          clampInt(w->sogliaREFL, 0, 4095), clampInt(w->sogliaCorrente, 0, 4095));
      break;
    case 23:
      put("FN", "FN1%03d;", clampInt(w->fanPercent, 0, 100));
      break;
    case 24:
      put("PS", "PS%04d%04d%04d%04d;", clampInt(w->PSpar1, 0, 9999), clampInt(w->PSpar2, 0, 9999),
          clampInt(w->PSpar3, 0, 9999), clampInt(w->PSpar4, 0, 9999));
      break;
    case 28:
      put("SF", "SF30000%02x;", static_cast<unsigned>(w->filterMask.load() & 0xFF));
      break;
    case 30:
      put("MR", "MR1;");
      break;
    case 32:
      put("MR", "MR0;");
      break;
    case 33:
      put("GM", "GM%04d%04d;", clampInt(w->GMpar1, 0, 9999), clampInt(w->GMpar2, 0, 9999));
      break;
    case 34:
      put("GS", "GS;");
      break;
    case 35: {
      std::lock_guard lock(w->ampTextMutex);
      if (std::strlen(w->gsString) != 10) break;  // not read yet: "GS;" would be a read
      char gs[11];
      std::memcpy(gs, w->gsString, sizeof gs);
      gs[1] = w->ModeWorkIdx == 0 ? char(gs[1] | 2) : char(gs[1] & ~2);
      put("GS", "GS%s;", gs);
      break;
    }
    case 36:
      put("ER", "ER0000;");
      break;
    case 37:
      put("ER", "ER0001;");
      break;
    case 38:
      put("ER", "ER0002;");
      break;
    default:
      break;
  }
  return c;
}

void sendText(Works* w, const CmdText& c, int code) {
  LastCmdSent(w, c.reply[0], c.reply[1], code);
  writeLinearPort(w->linFD, c.text, std::strlen(c.text), w);
  linearProcessStatus = kLinkWaiting;
}

// Codes 27, 39 and 40 change the tune word; the semaphore keeps the manual
// and automatic tuners from changing it between the change and the send.
void sendTuneWord(Works* w, int code) {
  WaitSemaforoTuneval(w);
  if (code == 27) {
    LoadTuneFromMEM(w, w->antennaIndex);
    w->atuBypass = 0;
  } else if (code == 39) {
    w->atuBypass = 1;
    w->tuneWord = (w->tuneWord | (1u << 16)) & ~((1u << 18) | (1u << 23));
  } else {
    w->atuBypass = 0;
    w->tuneWord = 0;
    w->tuneC = 0;
    w->tuneL = 0;
    w->tuneWord = 1u << 23;
  }
  CmdText c;
  std::snprintf(c.text, sizeof c.text, "MT1%08X;", w->tuneWord.load());
  std::memcpy(c.reply, "MT", 2);
  sendText(w, c, code);
  StopSemaforoTuneval(w);
}

// Effects that belong to sending a command, applied once it has gone out.
void afterSend(Works* w, int code, const char* text) {
  switch (code) {
    case 11:
      w->atuBypass = (w->tuneWord >> 16) & 1;
      break;
    case 19:
      w->bypassCmd = 0;
      platform::errPrintf(">> AB0;\n");
      break;
    case 20:
      w->bypassCmd = 1;
      w->attStep = 4;
      platform::errPrintf(">> AB1;\n");
      break;
    case 21:
    case 23:
    case 24:
    case 28:
    case 33:
      platform::sysLog(platform::kInfo, ">> %s", text);
      break;
    case 30:
      w->fwUpdateMode = static_cast<uint8_t>(w->fwUpdateMode | 4);
      w->menuPage = 0;
      linearProcessStatus = kLinkSilent;  // the microcontroller restarts: no reply
      break;
    case 34:
      platform::errPrintf(">>r: %s\n", text);
      break;
    default:
      break;
  }
}

}  // namespace

bool writeLinearPort(int fd, const char* text, size_t length, Works* w) {
  char frame[64];
  if (length + 2 > sizeof frame) return false;
  char sum[3];
  std::snprintf(sum, sizeof sum, "%02x", Sys_Crc8Calculation(text, length));
  std::memcpy(frame, sum, 2);
  std::memcpy(frame + 2, text, length);
  bool ok = platform::writeAll(fd, frame, length + 2);
  counterrortimeout = 0;
  return ok;
}

void LastCmdSent(Works* w, char c1, char c2, int code) {
  w->lastCmdCode[0] = c1;
  w->lastCmdCode[1] = c2;
  w->lastCmdState = code;
}

void SetAttenuatorCMD(Works* w, int value, int code) {
  static const char* const kTexts[] = {"AT00;", "AT01;", "AT10;", "AT11;"};
  const char* text = kTexts[clampInt(value, 0, 3)];
  LastCmdSent(w, 'A', 'T', code);
  writeLinearPort(w->linFD, text, 5, w);
  linearProcessStatus = kLinkWaiting;
  platform::errPrintf(">> %s\n", text);
}

std::string FormatLinearCommand(Works* w, int code) {
  if (code >= 14 && code <= 16) {
    static const char* const kTexts[] = {"AT00;", "AT01;", "AT10;", "AT11;"};
    int value = code == 14 ? w->Attenuator.load() : code == 15 ? w->AttenuatorTune.load() : 3;
    return kTexts[clampInt(value, 0, 3)];
  }
  return formatPlain(w, code).text;
}

void SendLinearCommand(Works* w, int code) {
  switch (code) {
    case 14:
      SetAttenuatorCMD(w, w->Attenuator, code);
      return;
    case 15:
      SetAttenuatorCMD(w, w->AttenuatorTune, code);
      return;
    case 16:
      SetAttenuatorCMD(w, 3, code);
      return;
    case 27:
    case 39:
    case 40:
      sendTuneWord(w, code);
      return;
    default:
      break;
  }
  CmdText c = formatPlain(w, code);
  if (!c.text[0]) {
    platform::errPrintf("Linear: command %d cannot be sent, skipped\n", code);
    NextCmdPriority(w, kLinkPoll);
    return;
  }
  sendText(w, c, code);
  afterSend(w, code, c.text);
}
