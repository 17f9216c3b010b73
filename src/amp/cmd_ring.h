#pragma once
// Asking the amplifier for a command: any thread puts a command code into the
// outbox (works->cmdPath); only the `Linear` thread takes codes out, one per
// status poll. Requests are never refused, a setting asked for again before
// it went out goes once with its latest value, and protection commands go out
// before everything else.
#include <optional>

#include "state/amp_cmd_path.h"

struct Works;

// Queues `code` in the normal lane (or the lane of the enclosing urgent
// batch). Returns the code.
int IncPNTIn_CMDLinear(int code, Works* works);
// Queues `code` ahead of every ordinary command: protections, attenuation,
// bypass, thresholds, fan.
int RequestProtectionCmd(int code, Works* works);

// The requests made on this thread while a batch lives form one sequence:
// they keep their order and never merge with each other. An urgent batch puts
// all of them in the protection lane. Batches nest (the outer one wins).
class CmdBatch {
 public:
  enum Kind { kOrdered, kUrgent };
  explicit CmdBatch(Works* works, Kind kind = kOrdered);
  ~CmdBatch();
  CmdBatch(const CmdBatch&) = delete;
  CmdBatch& operator=(const CmdBatch&) = delete;

 private:
  uint64_t savedBatch_;
  bool savedUrgent_;
};

// Takes the next code out (urgent first); -1 when nothing waits.
int TakeCMDLinear(Works* works);
// The same with its setting and lane, for the link's record.
std::optional<AmpCmdPath::Taken> TakeNextCmd(Works* works);
std::optional<AmpCmdPath::Taken> TakeUrgentCmd(Works* works);
// Number of codes waiting.
int PendingCMDLinear(Works* works);

// The setting a command code acts on (commands that set nothing have a key of
// their own, so repeated reads are sent once as well).
int AmpSettingKey(int code);
// What the amplifier acknowledged last for the setting of `code` ("" none).
std::string ConfirmedAmpSetting(Works* works, int code);

// While a temperature alarm stands, requests that would take the protections
// off or the attenuation back (the tune's restore, a band change, a bias
// reset) are held; the latest held value of each goes out when the alarm
// ends.
void SetProtectionHold(Works* works, bool on);
bool ProtectionHeld(Works* works);
