#include "app/writer_thread.h"

#include <thread>

#include "platform/log.h"
#include "platform/thread_name.h"
#include "state/outbox.h"

namespace {

std::thread gWriter;

}  // namespace

void StartWriterThread() {
  if (gWriter.joinable()) return;
  FileOutbox().attach();
  gWriter = std::thread([] {
    platform::nameThisThread("writer");
    FileOutbox().run();
  });
}

void StopWriterThread() {
  if (!gWriter.joinable()) return;
  FileOutbox().finish();
  gWriter.join();
  platform::sysLog(platform::kInfo, "Communicator joined writer end");
}
