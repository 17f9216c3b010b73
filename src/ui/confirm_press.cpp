#include "ui/confirm_press.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "display/text.h"
#include "platform/clock.h"
#include "state/works.h"

namespace {

constexpr int kNone = INT_MIN;
constexpr int kFont = 8, kX = 5, kY = 400;

// Armed from the key thread, drawn by the timer thread.
std::atomic<int> gWhat{kNone};
std::atomic<int64_t> gDeadlineMs{0};

int secondsLeft() {
  const int64_t left = gDeadlineMs - platform::monotonicMs();
  return left > 0 ? static_cast<int>((left + 999) / 1000) : 0;
}

}  // namespace

bool ConfirmPress(int what) {
  if (gWhat == what && secondsLeft() > 0) {
    DisarmConfirm();
    return true;
  }
  gDeadlineMs = platform::monotonicMs() + kConfirmSeconds * 1000;
  gWhat = what;
  return false;
}

void DisarmConfirm() { gWhat = kNone; }

int ConfirmSecondsLeft(int what) { return gWhat == what ? secondsLeft() : 0; }

void DrawConfirmCountdown(Works* w) {
  const int what = gWhat;
  const int left = what == kNone ? 0 : secondsLeft();
  if (left == 0) return;
  char text[96];
  if (what == kConfirmFactoryReset)
    std::snprintf(text, sizeof text, "Press ENTER again to erase all settings and banks (%d s)", left);
  else if (what >= w->MAXbank)
    std::snprintf(text, sizeof text, "Press START again to erase all banks (%d s)", left);
  else
    std::snprintf(text, sizeof text, "Press START again to erase bank %d (%d s)", what, left);
  putString(kFont, kX, kY, text, 250, 250, 0, w->fb, 0, 0, 0, 0);
}
