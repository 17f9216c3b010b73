#include "amp/cmd_ring.h"

#include "amp/amp_commands.h"
#include "platform/log.h"
#include "state/works.h"

namespace {

thread_local uint64_t tBatch = 0;
thread_local bool tUrgent = false;

// Setting keys beyond the command codes' own range: every code that sets the
// same amplifier setting shares one.
enum SettingKey : int {
  kKeyAttenuator = 41,
  kKeyProtections,
  kKeyBypass,
  kKeyTuneWord,
};
static_assert(kKeyTuneWord < AmpCmdPath::kKeys);

bool heldByProtection(int code) {
  return code == kCmdProtectionsOff || code == kCmdAttenuator || code == kCmdAttenuatorTune;
}

int request(int code, Works* w, bool urgent) {
  const int key = AmpSettingKey(code);
  if (key < 0) {
    platform::errPrintf("Linear: command %d is not in the vocabulary, not queued\n", code);
    return code;
  }
  if (w->protectionHold && heldByProtection(code)) {
    w->heldCodes[key == kKeyAttenuator ? 1 : 0] = code + 1;  // 0 means none
    platform::errPrintf("Linear: command %d held while the temperature alarm stands\n", code);
    return code;
  }
  const uint64_t batch = tBatch ? tBatch : w->cmdPath.newBatch();
  const bool lane = urgent || tUrgent;
  w->cmdPath.request(code, key, lane ? AmpCmdPath::Lane::Urgent : AmpCmdPath::Lane::Normal, batch);
  w->cmdPath.noteWanted(key, code);
  return code;
}

}  // namespace

int AmpSettingKey(int code) {
  switch (code) {
    case kCmdAttenuator:
    case kCmdAttenuatorTune:
    case kCmdAttenuatorFull:
      return kKeyAttenuator;
    case kCmdProtectionsOff:
    case kCmdProtectionsOn:
      return kKeyProtections;
    case kCmdAmpInLine:
    case kCmdAmpBypass:
      return kKeyBypass;
    case kCmdSetTuneWord:
    case kCmdLoadTuneMem:
    case kCmdTunerBypass:
    case kCmdNeutralTune:
      return kKeyTuneWord;
    default:
      return FindAmpCommand(code) ? code : -1;
  }
}

int IncPNTIn_CMDLinear(int code, Works* w) { return request(code, w, false); }

int RequestProtectionCmd(int code, Works* w) { return request(code, w, true); }

CmdBatch::CmdBatch(Works* w, Kind kind) : savedBatch_(tBatch), savedUrgent_(tUrgent) {
  if (!tBatch) tBatch = w->cmdPath.newBatch();
  tUrgent = tUrgent || kind == kUrgent;
}

CmdBatch::~CmdBatch() {
  tBatch = savedBatch_;
  tUrgent = savedUrgent_;
}

int TakeCMDLinear(Works* w) {
  auto t = w->cmdPath.take();
  return t ? t->code : -1;
}

std::optional<AmpCmdPath::Taken> TakeNextCmd(Works* w) { return w->cmdPath.take(); }

std::optional<AmpCmdPath::Taken> TakeUrgentCmd(Works* w) { return w->cmdPath.takeUrgent(); }

int PendingCMDLinear(Works* w) { return w->cmdPath.size(); }

std::string ConfirmedAmpSetting(Works* w, int code) {
  const int key = AmpSettingKey(code);
  return key < 0 ? std::string() : w->cmdPath.confirmed(key);
}

void SetProtectionHold(Works* w, bool on) {
  if (w->protectionHold.exchange(on) == on || on) return;
  // The alarm is over: what was asked for meanwhile goes out, latest value
  // of each, protections first.
  CmdBatch batch(w, CmdBatch::kUrgent);
  for (auto& held : w->heldCodes) {
    const int code = held.exchange(0) - 1;
    if (code >= 0) request(code, w, true);
  }
}

bool ProtectionHeld(Works* w) { return w->protectionHold; }
