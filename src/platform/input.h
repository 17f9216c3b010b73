#pragma once
// Linux input-event devices: the service keyboard.
//
// On the board the keyboard is the first match of
// "/dev/input/by-id/*-event-kbd", read as the kernel's `struct input_event`
// records and taken for this process alone (EVIOCGRAB). In the sandbox the same
// search runs under the root, and a test or the bench writes the records of the
// host's `struct input_event` into a named pipe there, such as
// DIR/dev/input/by-id/sim-event-kbd. The record size is the platform's own: on
// a 64-bit board the time stamp is 16 bytes, not the 8 of a 32-bit one.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// One input event without its time stamp.
struct InputEvent {
  uint16_t type = 0;
  uint16_t code = 0;
  int32_t value = 0;
};

inline constexpr uint16_t kEvSyn = 0, kEvKey = 1;
inline constexpr int32_t kKeyReleased = 0, kKeyPressed = 1, kKeyAutoRepeat = 2;
// Key codes of the service keys.
inline constexpr uint16_t kKeyF10 = 68, kKeyF11 = 87, kKeyF12 = 88, kKeySysRq = 99;

// Bytes of one `struct input_event` on this machine.
size_t inputEventSize();
// One record in this machine's layout (time stamp zero), as the kernel or the
// simulated keyboard writes it.
std::string encodeInputEvent(uint16_t type, uint16_t code, int32_t value);

// The system path of the first device (in name order) in the folder of
// `pattern` whose name ends like the pattern after its "*", or "" when none.
// The pattern is "/dev/input/by-id/*-event-kbd" for the keyboard.
std::string findInputDevice(const std::string& pattern);

class InputDevice {
 public:
  enum class Result { Event, Timeout, Error };

  // Opens a device by system path; nullptr with `err` (errno) on failure.
  static std::unique_ptr<InputDevice> open(const std::string& systemPath, int& err);
  ~InputDevice();
  InputDevice(const InputDevice&) = delete;
  InputDevice& operator=(const InputDevice&) = delete;

  // Takes the device for this process alone, so the keys do not also reach
  // the console. A pipe cannot be grabbed and needs not be: true then.
  bool grab(int& err);
  // Waits up to `timeoutMs` for one whole event. Error sets `err` (errno; EINTR
  // is reported too, for the caller to ignore).
  Result next(InputEvent& event, int timeoutMs, int& err);

 private:
  InputDevice(int fd, bool isPipe) : fd_(fd), isPipe_(isPipe) {}
  int fd_;
  bool isPipe_;
  std::string pending_;  // bytes of a record not yet whole
};

}  // namespace platform
