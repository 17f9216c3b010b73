#include "app/log_thread.h"

#include <thread>

#include "platform/log_writer.h"
#include "platform/thread_name.h"

namespace {

std::thread gLogWriter;

}  // namespace

void StartLogThread() {
  if (gLogWriter.joinable()) return;
  platform::attachLogWriter();
  gLogWriter = std::thread([] {
    platform::nameThisThread("log");
    platform::runLogWriter();
  });
}

void StopLogThread() {
  if (!gLogWriter.joinable()) return;
  platform::finishLogWriter();
  gLogWriter.join();
}
