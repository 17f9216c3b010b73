#include "ui/screen_saver.h"

#include <cstdio>

#include "amp/errors.h"
#include "display/framebuffer.h"
#include "display/png.h"
#include "state/works.h"

bool SaverDue(long elapsedSec, int saveScreenIdx) {
  constexpr int kChoices = static_cast<int>(std::size(SaveScreen));
  const int idx = saveScreenIdx >= 0 && saveScreenIdx < kChoices ? saveScreenIdx : kChoices - 1;
  // A clock set back makes the elapsed time negative: not due.
  return elapsedSec >= 0 && elapsedSec / 60 >= SaveScreen[idx];
}

namespace {

// What the owner must be able to see: the amplifier carrying RF, an alarm or
// error in the list, or a tune under way.
bool screenNeeded(Works* w) { return (w->ampStatus[1] & 0x01) != 0 || w->tunerRunning != 0 || ExistAnError(w) >= 0; }

}  // namespace

bool RunScreenSaver(Works* works, long nowSec) {
  if (screenNeeded(works)) {
    // The timeout starts again once it is over, as after a key.
    works->lastKeyTime = nowSec;
    if (works->saverOn != 0) {
      SetWorkImg(works);
      works->saverOn = 0;
    }
    return false;
  }
  if (works->saverOn != 0 || !SaverDue(nowSec - works->lastKeyTime, works->SaveScreenIdx)) return false;
  works->saverOn = 1;
  std::lock_guard lock(works->fb->drawLock);
  std::snprintf(works->pngName, sizeof works->pngName, "%s", "start");
  getPng(works, 1);
  fbSetBack(works->fb);
  return true;
}
