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
  // Not one of the "Communicator joined" lines: those name the threads of
  // the join order, and the writer is joined after all of them.
  platform::sysLog(platform::kInfo, "file writer drained and joined");
}
