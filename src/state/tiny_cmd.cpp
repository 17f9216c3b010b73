#include "state/tiny_cmd.h"

#include "platform/clock.h"
#include "platform/log.h"
#include "state/setup_record.h"
#include "state/works.h"

bool PostTinyCmd(Works* w, uint8_t code) {
  // Without a GPIO thread nobody empties the mailbox: never wait for it then.
  const bool reader = !w->setup || w->setup->EnableGPIO == '1';
  const int64_t deadline = platform::monotonicMs() + (reader ? 2000 : 0);
  while (true) {
    uint8_t empty = 0;
    if (w->tinyCmd.compare_exchange_strong(empty, code)) return true;
    if (w->running == 0 || platform::monotonicMs() >= deadline) {
      platform::sysLog(platform::kErr, "tinyCmd %d dropped: mailbox still holds %d", code, empty);
      return false;
    }
    platform::sleepMs(1);
  }
}

uint8_t TakeTinyCmd(Works* w) { return w->tinyCmd.exchange(0); }
