#include "remote/remote_commands.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

#include "platform/board.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/log_limit.h"
#include "state/remote_pacing.h"
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
// The status text does not say which address sent it; there is one peer at a time.
constexpr const char* kPeer = "far unit";

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

enum class Pace { Free, Bank, Setting, Once };
// The kinds of setting: a held setting is replaced only by one of its own kind.
enum SettingKind : int { kSpectrum, kDivide };

struct RemoteCommand {
  const char* keyword;
  size_t compared;
  Pace pace;
  int kind;  // SettingKind for Pace::Setting
  void (*act)(Works* w, const char* text);
};

const RemoteCommand kCommands[] = {
    {"ORVABANK", 8, Pace::Bank, 0, [](Works* w, const char*) { changeBank(w); }},
    {"ORVAPA1", 7, Pace::Bank, 0, [](Works* w, const char*) { changeBank(w); }},
    {"ORVATU2", 7, Pace::Free, 0, [](Works*, const char*) {}},
    {"ORVAFT00", 8, Pace::Setting, kSpectrum, [](Works* w, const char*) { w->setup->fftFlag = '0'; }},
    {"ORVAFT01", 8, Pace::Setting, kSpectrum, [](Works* w, const char*) { spectrumOn(w, '0'); }},
    {"ORVAFT02", 8, Pace::Setting, kSpectrum, [](Works* w, const char*) { spectrumOn(w, '1'); }},
    {"ORVAFD", 6, Pace::Setting, kDivide, [](Works* w, const char* text) { w->Divide = divideFrom(text + 6); }},
    {"ORVARB", 6, Pace::Once, 0, [](Works* w, const char*) { reboot(w); }},
};

const RemoteCommand* commandIn(const char* text) {
  for (const RemoteCommand& c : kCommands)
    if (std::strncmp(text, c.keyword, c.compared) == 0) return &c;
  return nullptr;
}

// Caller holds the pacing lock. The settings are plain stores, so they are
// made under it: a held setting and a newer one never cross.
void applyHeld(Works* w, RemotePacing& p, int64_t nowMs) {
  while (!p.held.empty() && p.settings.admit(nowMs)) {
    const RemotePacing::Held next = std::move(p.held.front());
    p.held.erase(p.held.begin());
    if (const RemoteCommand* c = commandIn(next.text.c_str())) c->act(w, next.text.c_str());
  }
}

void hold(RemotePacing& p, const RemoteCommand& c, const char* text) {
  auto same = std::find_if(p.held.begin(), p.held.end(), [&](const RemotePacing::Held& h) { return h.kind == c.kind; });
  if (same != p.held.end()) {
    p.held.erase(same);
    ++p.superseded;
  }
  p.held.push_back({c.kind, text});
}

void offerSetting(Works* w, const RemoteCommand& c, const char* text) {
  RemotePacing& p = w->remotePacing;
  std::unique_lock lock(p.mutex);
  const int64_t now = platform::monotonicMs();
  applyHeld(w, p, now);
  // Behind any setting still waiting, so settings act in the order they came.
  if (p.held.empty() && p.settings.admit(now)) {
    c.act(w, text);
    return;
  }
  hold(p, c, text);
  lock.unlock();
  platform::sysLogLimited("remote setting held", kPeer, platform::kInfo,
                          "remote %s waits: settings are taken %d a second, the latest of each kind", c.keyword,
                          kRemoteSettingsPerSecond);
}

void offerBankChange(Works* w, const RemoteCommand& c, const char* text) {
  RemotePacing& p = w->remotePacing;
  bool admitted;
  {
    std::lock_guard lock(p.mutex);
    admitted = p.bank.admit(platform::monotonicMs());
    if (!admitted) ++p.dropped;
  }
  if (!admitted) {
    platform::sysLogLimited("remote bank dropped", kPeer, platform::kInfo,
                            "remote %s dropped: bank changes are taken %d a second", c.keyword,
                            kRemoteBankPerSecond);
    return;
  }
  platform::sysLogLimited("remote bank", kPeer, platform::kInfo, "remote command: %s", c.keyword);
  c.act(w, text);
}

void offerOnce(Works* w, const RemoteCommand& c, const char* text) {
  RemotePacing& p = w->remotePacing;
  bool first;
  {
    std::lock_guard lock(p.mutex);
    first = !p.rebootTaken;
    p.rebootTaken = true;
    if (!first) ++p.dropped;
  }
  if (!first) {
    platform::sysLogLimited("remote reboot again", kPeer, platform::kInfo, "remote %s ignored: a reboot is under way",
                            c.keyword);
    return;
  }
  c.act(w, text);
}

}  // namespace

void ApplyHeldRemoteCommands(Works* w) {
  RemotePacing& p = w->remotePacing;
  std::lock_guard lock(p.mutex);
  if (!p.held.empty()) applyHeld(w, p, platform::monotonicMs());
}

void dispStat(Works* w) {
  char text[kRemoteStatusTextSize + 1];
  std::memcpy(text, w->remoteStatusText, kRemoteStatusTextSize);
  text[kRemoteStatusTextSize] = '\0';
  platform::errPrintf("BUFFER Wsocket : %s\n", text);
  ApplyHeldRemoteCommands(w);
  const RemoteCommand* c = commandIn(text);
  if (!c) return;
  switch (c->pace) {
    case Pace::Free:
      c->act(w, text);
      break;
    case Pace::Bank:
      offerBankChange(w, *c, text);
      break;
    case Pace::Setting:
      offerSetting(w, *c, text);
      break;
    case Pace::Once:
      offerOnce(w, *c, text);
      break;
  }
}
