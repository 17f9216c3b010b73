#include "core/idle_thread.h"
#include "core/thread_table.h"
#include "core/tiny_cmd.h"
#include "core/works.h"
#include "platform/clock.h"

// The front-panel button thread. Until the buttons are built it only empties
// the tinyCmd mailbox, so posters never wait on it.
void GPIO(Works* works) {
  while (works->running != 0) {
    TakeTinyCmd(works);
    platform::sleepMs(2);
  }
}
