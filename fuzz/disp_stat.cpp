// Fuzz target: a peer's status text through the remote-command matcher and
// the bank field a client follows. The
// commands whose action is fixed and reaches the board or the bank files
// (reboot, bank change) are left out: their text carries nothing to parse.
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/log.h"
#include "remote/follow_server.h"
#include "remote/remote_commands.h"
#include "state/setup_record.h"
#include "state/works.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<Works> works = [] {
    platform::setLogOutput(false);
    auto w = std::make_unique<Works>();
    static SetupRecord setup{};
    w->setup = &setup;
    return w;
  }();
  for (const char* fixed : {"ORVARB", "ORVABANK", "ORVAPA1"})
    if (size >= std::strlen(fixed) && std::memcmp(data, fixed, std::strlen(fixed)) == 0) return 0;
  std::memset(works->remoteStatusText, 0, sizeof works->remoteStatusText);
  if (size > 0) std::memcpy(works->remoteStatusText, data, std::min(size, sizeof works->remoteStatusText - 1));
  dispStat(works.get());
  // A client also takes the far unit's bank from the same line.
  const int bank = StatusLineBank(data, size);
  if (bank < -1 || bank > 99) __builtin_trap();
  return 0;
}
