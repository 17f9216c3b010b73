// The loading countdown shown during start-up, and the removal of the update
// marker file half a minute after start.
#include "app/load_thread.h"

#include <cerrno>
#include <cstdio>

#include "display/framebuffer.h"
#include "display/text.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/remount.h"
#include "state/globals.h"
#include "state/tiny_cmd.h"
#include "state/works.h"

void LoadThread(Works* w) {
  int counter = waitVYR;
  bool posted = false;
  while (startInitThread != 0 && w->running != 0) {
    fbSetBack(w->fb);
    platform::sleepMs(1000);
    if (startInitThread == 0) break;  // the window closed during the pause
    char text[32];
    std::snprintf(text, sizeof text, "Loading ...%2d", counter);
    if (!posted && counter <= 4) {
      PostTinyCmd(w, 181);
      posted = true;
    }
    {
      std::lock_guard lock(w->fb->drawLock);
      putString(9, 300, 400, text, 255, 255, 255, w->fb, 0, 0, 0, 0);
      --counter;
      fbRealize(w->fb);
    }
    platform::errPrintf("Time %s..\n", text);
  }
}

void AggFWThread(Works* w) {
  if (!platform::sleepWhileRunning(30000, w->running)) return;
  RemoveUpdateMarker(w);
}

void RemoveUpdateMarker(Works*) {
  if (!RemountSetRW()) {
    platform::errPrintf("can't mount rw /opt/set/ error %d\n", errno);
    return;
  }
  if (platform::removeFile("/opt/good", platform::RemoveMode::ForceQuiet) != 0) {
    platform::sysLog(platform::kErr, "can't :rm -f /opt/good >/dev/null 2>&1  ->error %d", errno);
    platform::errPrintf("can't :rm -f /opt/good >/dev/null 2>&1  ->error %d\n", errno);
    RemountSetRO();  // never leave the settings folder writable
    return;
  }
  RemountSetRO();
  platform::errPrintf("--------- END THREAD AGG FW!!!\n");
}
