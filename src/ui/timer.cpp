// The timer loop: redraws the whole screen every tick, follows the frequency,
// runs the tune-on-transmit handshake, the screen saver, peak hold and the
// temperature log, and keeps the status text for a connected peer.
#include "ui/timer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "amp/temp_log.h"
#include "amp/temperature.h"
#include "display/framebuffer.h"
#include "display/png.h"
#include "display/text.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "remote/remote_commands.h"
#include "remote/ws_send.h"
#include "state/works.h"
#include "tables/bank_change.h"
#include "ui/button_bar.h"
#include "ui/ext_io_view.h"
#include "ui/freq_road.h"
#include "ui/grid.h"
#include "ui/lumomenu.h"
#include "ui/meters.h"
#include "ui/needles.h"
#include "ui/screen_saver.h"
#include "ui/timer_tick.h"

namespace {

constexpr double kLogTempIntervalMs = 5000;

void loadBackground(Works* w, const char* name) {
  std::snprintf(w->pngName, sizeof w->pngName, "%s", name);
  getPng(w, 1);
}

// The picture is loaded once on entering the screen; the background buffer
// keeps it for the following ticks.
void failedLinkScreen(Works* w, TimerState& s) {
  if (!s.failedLinkShown) {
    loadBackground(w, w->ampVariant == '1' ? "start120" : "start");
    fbSetBack(w->fb);
    s.failedLinkShown = true;
  }
  char text[160];
  {
    std::lock_guard lock(w->linkFaultMutex);
    std::snprintf(text, sizeof text, "Error! %s", w->linkFaultText);
  }
  // A long device path would run off the screen from x 130: such a text is
  // centred instead, so the whole message stays readable.
  const int x = std::min(130, std::max(0, (w->fb->xSize - getStringSpace(9, text)) / 2));
  putString(9, x, 300, text, 255, 255, 255, w->fb, 0, 0, 0, 0);
  w->menuPage = kLumoFailedLink;
  LoadButtons(w);
}

void reloadAfterRestart(Works* w, TimerState& s) {
  w->menuPage = kLumoMain;
  SetWorkImg(w);
  w->linkFault = 0;
  s.failedLinkShown = false;
}

void drawClock(Works* w) {
  if (!w->ViewTimeStr || w->statusView != 0) return;
  char text[sizeof w->clockText];
  {
    std::lock_guard lock(w->clockMutex);
    std::memcpy(text, w->clockText, sizeof text);
  }
  text[sizeof text - 1] = '\0';
  putString(6, 780 - getStringSpace(6, text), 17, text, 255, 255, 255, w->fb, 0, 0, 0, 0);
}

// The processor temperature comes from a shell command: read it once a second,
// which is as often as the screen shows a new value.
void readCpuTemp(Works* w, TimerState& s, long nowSec) {
  if (s.cpuTempSecond == nowSec) return;
  s.cpuTempSecond = nowSec;
  ReadCPUTemp(w);
}

void workingScreen(Works* w, TimerState& s, long nowSec) {
  readCpuTemp(w, s, nowSec);
  ReadDataOra(w);
  drawClock(w);
  if (w->imgReload == 1) {
    loadBackground(w, w->ampVariant == '1' ? "img1b" : "img1");
    w->imgReload = 0;
  }
  LoadButtons(w);
  if (w->statusView != 0) return;
  const int page = w->screenPage;
  if (page <= 3)
    DrawMeterScreen(w);
  else if (page <= 5)
    DrawGrid(w);
}

void normalTick(Works* w, TimerState& s, long nowSec) {
  RunScreenSaver(w, nowSec);
  const bool extIo = w->ModeWorkIdx == 1;
  const ExtIoView ext = extIo ? ReadExtIoView(w) : ExtIoView{};
  ReadFrequencySource(w, ext);
  ApplyHeldBank(w);
  ApplyHeldRemoteCommands(w);
  FollowFrequency(w);
  if (extIo) TuneOnTransmitHandshake(w, s.handshake, ext);
  if (w->saverOn == 0) workingScreen(w, s, nowSec);
}

// Counts elapsed time off the error hold-off in whole milliseconds, keeping
// the fraction for the next tick: a tick that uses under a millisecond still
// counts, so the hold-off always runs out.
void countDownErrorHoldOff(Works* w, TimerState& s, double elapsedMs) {
  s.errorCarryMs += elapsedMs;
  const int whole = static_cast<int>(s.errorCarryMs);
  s.errorCarryMs -= whole;
  int t = w->errorRepeatTimer;
  // The link thread may set a new hold-off meanwhile; never overwrite it.
  while (t > 0 && !w->errorRepeatTimer.compare_exchange_weak(t, t > whole ? t - whole : 0)) {
  }
}

}  // namespace

void TimerStart(Works* works, TimerState&) {
  platform::sysLog(platform::kInfo, "Timer thread started");
  works->fwdPeakAngle = 0;
  works->secondPeakAngle = 0;
  InitGrid();
}

void TimerCompose(Works* w, TimerState& s, long nowSec) {
  FrameBuffer* fb = w->fb;
  std::lock_guard lock(fb->drawLock);
  fbSetBack(fb);
  if (w->linkFault >= 1) {
    failedLinkScreen(w, s);
  } else if (w->linkFault == -1) {
    reloadAfterRestart(w, s);
  } else {
    // A fault cleared without the restart tick still leaves the start picture behind.
    if (s.failedLinkShown) reloadAfterRestart(w, s);
    normalTick(w, s, nowSec);
  }
  if (w->wsConnected) {
    CreaBufferDiStato(w, s.status);
    sendWebSockStatusFrame(w, s.status, static_cast<int>(kStatusSentBytes));
  }
  fbRealize(fb);
}

void TimerAge(Works* w, TimerState& s, double elapsedMs) {
  countDownErrorHoldOff(w, s, elapsedMs);
  AgePeak(w->peakFwd, elapsedMs);
  AgePeak(w->peak2, elapsedMs);
  if (w->EnableLOGTemp == 1 && w->logTempRunning == 1) {
    w->logTempElapsedMs += elapsedMs;
    if (w->logTempElapsedMs >= kLogTempIntervalMs) {
      LogTempFunction(w, 0);
      w->logTempElapsedMs = 0;
    }
  }
}

void TimerTick(Works* w, TimerState& s) {
  // The hold-offs and intervals are wall durations: a tick's own processor
  // time would make them last a fraction of their setting on an idle board
  // and many times it under load.
  const int64_t startUs = platform::monotonicUs();
  TimerCompose(w, s, platform::wallSeconds());
  platform::sleepUs(w->pollDelayUs);
  const double elapsedMs = static_cast<double>(platform::monotonicUs() - startUs) / 1000.0;
  TimerAge(w, s, elapsedMs);
}

void timer(Works* works) {
  if (!works->fb) {
    platform::sysLog(platform::kErr, "Timer thread: no display");
    return;
  }
  TimerState state;
  TimerStart(works, state);
  while (works->running) TimerTick(works, state);
  platform::sysLog(platform::kInfo, "Timer operations end\n");
}
