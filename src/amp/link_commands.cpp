#include "amp/link_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/crc8.h"
#include "amp/link_retry.h"
#include "amp/link_state.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "state/works.h"
#include "tables/tuner_memory.h"
#include "tune/tune_word.h"

namespace {

struct CmdText {
  char text[40] = {};
  char reply[3] = {};
};

int clampInt(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

// "ATxy;": x the 3 dB pad, y the 2 dB pad, for attenuation 0..3.
std::string attenuatorText(int value) {
  const int v = clampInt(value, 0, 3);
  char text[8];
  std::snprintf(text, sizeof text, FindAmpCommand(kCmdAttenuator)->format, v >> 1, v & 1);
  return text;
}

// Raw thresholds and parameters travel as fixed-width fields; a value outside
// its field would lengthen the command and shift every later field.
CmdText formatPlain(Works* w, int code) {
  CmdText c;
  const AmpCommandInfo* info = FindAmpCommand(code);
  if (!info) return c;
  auto put = [&](auto... args) {
    std::snprintf(c.text, sizeof c.text, info->format, args...);
    std::memcpy(c.reply, info->reply, 2);
  };
  switch (code) {
    case kCmdAntenna:
      put(clampInt(w->antennaIndex + 1, 1, 9));
      break;
    case kCmdFrequency:
      put(static_cast<unsigned long>(w->freq.load()));
      break;
    case kCmdSetTuneWord:
      put(w->tuneWord.load());
      break;
    case kCmdFreqSensor:
      put(clampInt(w->FreqSensIn, 0, 9), clampInt(w->FreqPeriodTime / 10, 0, 9999));
      break;
    case kCmdAntennaMode:
      put(clampInt(w->anMode, 0, 9));
      break;
    case kCmdThresholds:
      put(clampInt(w->sogliaPWIN, 0, 4095), clampInt(w->sogliaFWD, 0, 4095), clampInt(w->sogliaREFL, 0, 4095),
          clampInt(w->sogliaCorrente, 0, 4095));
      break;
    case kCmdFan:
      put(clampInt(w->fanPercent, 0, 100));
      break;
    case kCmdPowerSensor:
      put(clampInt(w->PSpar1, 0, 9999), clampInt(w->PSpar2, 0, 9999), clampInt(w->PSpar3, 0, 9999),
          clampInt(w->PSpar4, 0, 9999));
      break;
    case kCmdSetFilter:
      put(static_cast<unsigned>(w->filterMask.load() & 0xFF));
      break;
    case kCmdGainParams:
      put(clampInt(w->GMpar1, 0, 9999), clampInt(w->GMpar2, 0, 9999));
      break;
    case kCmdGeneralSettings: {
      std::lock_guard lock(w->ampTextMutex);
      if (std::strlen(w->gsString) != 10) break;  // not read yet: "GS;" would be a read
      char gs[11];
      std::memcpy(gs, w->gsString, sizeof gs);
      gs[1] = w->ModeWorkIdx == 0 ? char(gs[1] | 2) : char(gs[1] & ~2);
      put(gs);
      break;
    }
    case kCmdAttenuator:
    case kCmdAttenuatorTune:
    case kCmdAttenuatorFull:
    case kCmdLoadTuneMem:
    case kCmdTunerBypass:
    case kCmdNeutralTune:
      break;  // sent by their own functions below
    default:
      put();  // a fixed text
      break;
  }
  return c;
}

// Records what the reply must carry and what counts as applied once it does.
void recordSend(Works* w, const char* text, const char* reply, int code) {
  LastCmdSent(w, reply[0], reply[1], code);
  w->lastCmdEcho[0] = text[0];
  w->lastCmdEcho[1] = text[0] ? text[1] : '\0';
  w->cmdPath.markSent(AmpSettingKey(code), text);
}

void sendText(Works* w, const CmdText& c, int code) {
  recordSend(w, c.text, c.reply, code);
  writeLinearPort(w->linFD, c.text, std::strlen(c.text), w);
  linkState = LinkState::Waiting;
}

// Codes 27, 39 and 40 change the tune word; the semaphore keeps the manual
// and automatic tuners from changing it between the change and the send.
void sendTuneWord(Works* w, int code) {
  WaitSemaforoTuneval(w);
  if (code == kCmdLoadTuneMem) {
    LoadTuneFromMEM(w, w->antennaIndex);
    w->atuBypass = 0;
  } else if (code == kCmdTunerBypass) {
    w->atuBypass = 1;
    w->tuneWord = (w->tuneWord | (1u << 16)) & ~((1u << 18) | (1u << 23));
  } else {
    w->atuBypass = 0;
    w->tuneWord = 0;
    w->tuneC = 0;
    w->tuneL = 0;
    w->tuneWord = 1u << 23;
  }
  const AmpCommandInfo* info = FindAmpCommand(code);
  CmdText c;
  std::snprintf(c.text, sizeof c.text, info->format, w->tuneWord.load());
  std::memcpy(c.reply, info->reply, 2);
  sendText(w, c, code);
  StopSemaforoTuneval(w);
}

// Effects that belong to sending a command, applied once it has gone out.
void afterSend(Works* w, int code, const char* text) {
  switch (code) {
    case kCmdSetTuneWord:
      w->atuBypass = (w->tuneWord >> 16) & 1;
      break;
    case kCmdAmpInLine:
      w->bypassCmd = 0;
      platform::errPrintf(">> AB0;\n");
      break;
    case kCmdAmpBypass:
      w->bypassCmd = 1;
      w->attStep = 4;
      platform::errPrintf(">> AB1;\n");
      break;
    case kCmdAntennaMode:
    case kCmdFan:
    case kCmdPowerSensor:
    case kCmdSetFilter:
    case kCmdGainParams:
      platform::sysLog(platform::kInfo, ">> %s", text);
      break;
    case kCmdFirmwareRestart:
      w->fwUpdateMode = static_cast<uint8_t>(w->fwUpdateMode | 4);
      w->menuPage = kLumoMain;
      linkState = LinkState::Silent;  // the microcontroller restarts: no reply
      break;
    case kCmdReadGeneralSettings:
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
  lastLinkWriteMs = platform::monotonicMs();
  return ok;
}

void LastCmdSent(Works* w, char c1, char c2, int code) {
  w->lastCmdCode[0] = c1;
  w->lastCmdCode[1] = c2;
  w->lastCmdState = code;
}

void SetAttenuatorCMD(Works* w, int value, int code) {
  const std::string text = attenuatorText(value);
  recordSend(w, text.c_str(), "AT", code);
  writeLinearPort(w->linFD, text.c_str(), text.size(), w);
  linkState = LinkState::Waiting;
  platform::errPrintf(">> %s\n", text.c_str());
}

std::string FormatLinearCommand(Works* w, int code) {
  switch (code) {
    case kCmdAttenuator:
      return attenuatorText(w->Attenuator);
    case kCmdAttenuatorTune:
      return attenuatorText(w->AttenuatorTune);
    case kCmdAttenuatorFull:
      return attenuatorText(3);
    default:
      return formatPlain(w, code).text;
  }
}

void SendLinearCommand(Works* w, int code) {
  switch (code) {
    case kCmdAttenuator:
      SetAttenuatorCMD(w, w->Attenuator, code);
      return;
    case kCmdAttenuatorTune:
      SetAttenuatorCMD(w, w->AttenuatorTune, code);
      return;
    case kCmdAttenuatorFull:
      SetAttenuatorCMD(w, 3, code);
      return;
    case kCmdLoadTuneMem:
    case kCmdTunerBypass:
    case kCmdNeutralTune:
      sendTuneWord(w, code);
      return;
    default:
      break;
  }
  CmdText c = formatPlain(w, code);
  if (!c.text[0]) {
    platform::errPrintf("Linear: command %d cannot be sent, skipped\n", code);
    NextCmdPriority(w, kCmdStatus);
    return;
  }
  sendText(w, c, code);
  afterSend(w, code, c.text);
}
