#include "ui/remote_checks.h"

#include <atomic>

#include "platform/log.h"

namespace {

// Stand-ins until start-up installs the real probes: nothing can be confirmed
// present, so the receiver and the codec are reported missing.
int receiverNotAvailable(Works*) {
  platform::errPrintf("remote check: receiver probe not available\n");
  return 1;
}

int audioNotAvailable(Works*) {
  platform::errPrintf("remote check: audio codec probe not available\n");
  return 0;
}

constexpr RemoteChecks kStandIns{receiverNotAvailable, audioNotAvailable};
std::atomic<const RemoteChecks*> gChecks{&kStandIns};

}  // namespace

const RemoteChecks& GetRemoteChecks() { return *gChecks.load(); }

void SetRemoteChecks(const RemoteChecks* checks) { gChecks = checks ? checks : &kStandIns; }
