#include "display/keyboard.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "state/setup.h"
#include "state/works.h"
#include "platform/clock.h"
#include "platform/board.h"
#include "platform/input.h"
#include "platform/log.h"

using platform::errPrintf;
using platform::kErr;
using platform::kInfo;
using platform::sysLog;

namespace {

constexpr const char* kKeyboardPattern = "/dev/input/by-id/*-event-kbd";
constexpr long kSearchRetryMs = 20000;
// How long one read waits, so a fall of `running` is seen promptly.
constexpr int kReadSliceMs = 100;

struct OpenKeyboard {
  std::unique_ptr<platform::InputDevice> device;
  std::string path;
};

// Looks for the keyboard until one opens or the program stops.
OpenKeyboard findKeyboard(Works* w) {
  while (w->running != 0) {
    const std::string path = platform::findInputDevice(kKeyboardPattern);
    if (!path.empty()) {
      int err = 0;
      auto device = platform::InputDevice::open(path, err);
      if (device) {
        sysLog(kInfo, "Keyboard opened");
        errPrintf("Keyboard opened\n");
        if (!device->grab(err)) sysLog(kErr, "Cannot grab %s, error %d -%s", path.c_str(), err, std::strerror(err));
        platform::terminalNoEcho();
        return {std::move(device), path};
      }
      sysLog(kErr, "Cannot open %s, error %d -%s", path.c_str(), err, std::strerror(err));
      errPrintf("Cannot open %s, error %d -%s\n", path.c_str(), err, std::strerror(err));
    }
    platform::sleepWhileRunning(kSearchRetryMs, w->running);
  }
  return {};
}

void screenshot() {
  sysLog(kInfo, "launching screenshot");
  errPrintf("launching screenshot\n");
  platform::grabScreenshot();
  sysLog(kInfo, "launched screenshot");
  errPrintf("launched screenshot\n");
}

// Acts on one key press; false when the key ends the thread.
bool serviceKey(Works* w, uint16_t code, OpenKeyboard& keyboard) {
  switch (code) {
    case platform::kKeySysRq:
      screenshot();
      return true;
    case platform::kKeyF12:
      sysLog(kInfo, "Exited by KEY_F12");
      w->running = 0;
      keyboard.device.reset();
      platform::terminalSane();
      platform::clearTerminal();
      return false;
    case platform::kKeyF11:
      sysLog(kInfo, "Save setup");
      writeSetup(w);
      return true;
    case platform::kKeyF10:
      RemoteConnection();
      return true;
    default:
      return true;
  }
}

}  // namespace

void RemoteConnection() {
  sysLog(kInfo, "launching ssh");
  errPrintf("launching ssh\n");
  platform::runMaintenanceShell();
  sysLog(kInfo, "launched ssh");
}

void keyb(Works* w) {
  errPrintf("keyb open..\n%s\n", std::string(113, '*').c_str());
  sysLog(kInfo, "Keyboard function entered");
  bool loopLogged = false;
  while (w->running != 0) {
    OpenKeyboard keyboard = findKeyboard(w);
    if (!keyboard.device) break;
    if (!loopLogged) {
      sysLog(kInfo, "Continuous keyboard loop started, please end using Control C\n");
      loopLogged = true;
    }
    while (w->running != 0) {
      platform::InputEvent ev;
      int err = 0;
      const auto result = keyboard.device->next(ev, kReadSliceMs, err);
      if (result == platform::InputDevice::Result::Timeout) continue;
      if (result == platform::InputDevice::Result::Error) {
        if (err == EINTR) continue;
        sysLog(kErr, "error reading %s, error %d -%s", keyboard.path.c_str(), err, std::strerror(err));
        // A keyboard pulled out is looked for again, as at start.
        keyboard.device.reset();
        platform::sleepWhileRunning(kSearchRetryMs, w->running);
        break;
      }
      if (ev.type != platform::kEvKey || ev.value != platform::kKeyPressed) continue;
      if (!serviceKey(w, ev.code, keyboard)) return;
    }
  }
  platform::terminalSane();
}
