#pragma once
// The simulated service keyboard: a named pipe at
// DIR/dev/input/by-id/sim-event-kbd, which the program finds as its keyboard,
// and into which each typed key goes as the host's input-event records (press,
// sync, release, sync), as a real keyboard sends them.
//
// The pipe is held open for reading and writing, so keys typed before the
// program opens it wait in the pipe, and a program that has not started yet
// never makes a write fail.
//
//   sim::SimKeyboard keyboard(root);
//   keyboard.type("F11");
#include <cstdint>
#include <optional>
#include <string>

namespace sim {

class SimKeyboard {
 public:
  explicit SimKeyboard(const std::string& root);
  ~SimKeyboard();
  SimKeyboard(const SimKeyboard&) = delete;
  SimKeyboard& operator=(const SimKeyboard&) = delete;

  bool ok() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  // Types a key by name (F1..F12, SYSRQ, ESC, ENTER, SPACE, A..Z, 0..9) or by
  // its decimal key code; false for an unknown name or a failed write.
  bool type(const std::string& key);
  bool typeCode(uint16_t code);

  // The Linux key code of a name, as above.
  static std::optional<uint16_t> keyCode(const std::string& name);

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace sim
