#include "display/gpio_thread.h"

#include "platform/clock.h"
#include "state/idle_thread.h"
#include "state/tiny_cmd.h"
#include "state/works.h"

// The front-panel button thread. Until the buttons are built it only empties
// the tinyCmd mailbox, so posters never wait on it.
void GPIO(Works* works) {
  while (works->running != 0) {
    TakeTinyCmd(works);
    platform::sleepMs(2);
  }
}
