#include "remote/remote_commands.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/board.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "state/setup_record.h"
#include "state/tiny_cmd.h"
#include "state/works.h"
#include "tables/bank_change.h"

namespace {

constexpr uint8_t kRebootNotice = 197;
constexpr long kRebootDelayMs = 4000;
// The setup file keeps Divide in two digits; a larger divider would be cut
// when the setup is saved.
constexpr int kDivideMax = 99;

void changeBank(Works* w) {
  platform::errPrintf("ChangeBanco\n");
  RequestNextBank(w);  // held until receive while this unit transmits
}

void spectrumOn(Works* w, char enable1600) {
  w->setup->fftFlag = '1';
  w->setup->Enable1600 = enable1600;
  if (w->Divide <= 1) w->Divide = 2;
}

// The digits after the keyword, as a plain decimal conversion reads them
// (none gives 0), held to what the setting can store.
int divideFrom(const char* text) {
  long value = 0;
  for (const char* p = text; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    value = value * 10 + (*p - '0');
    if (value > kDivideMax) return kDivideMax;
  }
  return static_cast<int>(value);
}

void reboot(Works* w) {
  platform::sysLog(platform::kInfo, "remote command: reboot");
  PostTinyCmd(w, kRebootNotice);
  platform::sleepMs(kRebootDelayMs);
  platform::reboot();
}

struct RemoteCommand {
  const char* keyword;
  size_t compared;
  void (*act)(Works* w, const char* text);
};

const RemoteCommand kCommands[] = {
    {"ORVABANK", 8, [](Works* w, const char*) { changeBank(w); }},
    {"ORVAPA1", 7, [](Works* w, const char*) { changeBank(w); }},
    {"ORVATU2", 7, [](Works*, const char*) {}},
    {"ORVAFT00", 8, [](Works* w, const char*) { w->setup->fftFlag = '0'; }},
    {"ORVAFT01", 8, [](Works* w, const char*) { spectrumOn(w, '0'); }},
    {"ORVAFT02", 8, [](Works* w, const char*) { spectrumOn(w, '1'); }},
    {"ORVAFD", 6, [](Works* w, const char* text) { w->Divide = divideFrom(text + 6); }},
    {"ORVARB", 6, [](Works* w, const char*) { reboot(w); }},
};

}  // namespace

void dispStat(Works* w) {
  char text[kRemoteStatusTextSize + 1];
  std::memcpy(text, w->remoteStatusText, kRemoteStatusTextSize);
  text[kRemoteStatusTextSize] = '\0';
  platform::errPrintf("BUFFER Wsocket : %s\n", text);
  for (const RemoteCommand& c : kCommands) {
    if (std::strncmp(text, c.keyword, c.compared) != 0) continue;
    c.act(w, text);
    return;
  }
}
