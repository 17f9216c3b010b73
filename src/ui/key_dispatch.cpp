#include "ui/key_dispatch.h"

#include <cstdio>
#include <mutex>

#include "amp/errors.h"
#include "display/framebuffer.h"
#include "display/png.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "state/works.h"
#include "tune/autotune_control.h"
#include "ui/key_pages.h"

namespace {

using PageKeys = int (*)(Works*, const KeyPress&);

constexpr PageKeys kPages[] = {
    KeysMain,        KeysSetupList, KeysValueEdit,     KeysTune,     KeysManualTune, KeysFailedLink, KeysUtilities,
    KeysAntennaEdit, KeysSaveTune,  KeysBankUtilities, KeysBankCopy, KeysBankReset,  KeysFilters,
};

// The first key after the screen saver only wakes the display.
bool wakeFromSaver(Works* w) {
  if (!w->saverOn) return false;
  SetWorkImg(w);
  w->saverOn = 0;
  platform::errPrintf("----------> DISATTIVO SAVE SCREEN\n");
  return true;
}

}  // namespace

int WrapStep(int value, int delta, int count) {
  if (count <= 0) return 0;
  int v = (value + delta) % count;
  return v < 0 ? v + count : v;
}

void LoadBackground(Works* w, const char* picture) {
  if (!w->fb) return;
  std::lock_guard lock(w->fb->drawLock);
  std::snprintf(w->pngName, sizeof w->pngName, "%s", picture);
  getPng(w, 1);
}

int EscFromStatus(Works* w) {
  if (!(w->statusView & kViewStatus)) return 0;
  w->statusView &= ~kViewStatus;
  SetWorkImg(w);
  return 1;
}

int DecodeTasto(Works* w, int button, int longFlags) {
  w->lastKeyTime = platform::wallSeconds();
  if (wakeFromSaver(w)) return 0;
  if (button < 1 || button > 6) return 0;
  // With errors listed, button 1 is the error key.
  if (button == 1 && GPIO_Errori(w) == 1) return 0;
  w->hintFlags &= static_cast<uint8_t>(~kHintTuneTooHot);
  const int page = w->menuPage;
  int repeat = 0;
  if (page >= 0 && page < static_cast<int>(std::size(kPages))) {
    const KeyPress key{button, (longFlags & (1 << (button - 1))) != 0, longFlags};
    repeat = kPages[page](w, key);
  }
  if (repeat) return repeat;
  w->hintFlags &= static_cast<uint8_t>(~0x01);
  return 0;
}
