#include "platform/signals.h"

#include <csignal>

namespace platform {
namespace {
std::atomic<uint32_t>* gRunning = nullptr;
static_assert(std::atomic<uint32_t>::is_always_lock_free, "stored from a signal handler");

void onStop(int) {
  if (gRunning) gRunning->store(0);
}
}  // namespace

void installStopSignals(std::atomic<uint32_t>* running) {
  gRunning = running;
  struct sigaction sa {};
  sa.sa_handler = onStop;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
