#include "sim_keyboard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/input.h"

namespace sim {

SimKeyboard::SimKeyboard(const std::string& root) : path_(root + "/dev/input/by-id/sim-event-kbd") {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0 && ::mkfifo(path_.c_str(), 0600) != 0) return;
  fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

SimKeyboard::~SimKeyboard() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<uint16_t> SimKeyboard::keyCode(const std::string& name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  if (!key.empty() && std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isdigit(c); }) &&
      key.size() > 1) {
    const long code = std::strtol(key.c_str(), nullptr, 10);
    if (code > 0 && code < 0x300) return static_cast<uint16_t>(code);
    return std::nullopt;
  }
  static const struct {
    const char* name;
    uint16_t code;
  } kNames[] = {{"ESC", 1},  {"ENTER", 28}, {"SPACE", 57}, {"F1", 59},    {"F2", 60},   {"F3", 61},
                {"F4", 62},  {"F5", 63},    {"F6", 64},    {"F7", 65},    {"F8", 66},   {"F9", 67},
                {"F10", 68}, {"F11", 87},   {"F12", 88},   {"SYSRQ", 99}, {"PRINT", 99}};
  for (const auto& k : kNames)
    if (key == k.name) return k.code;
  if (key.size() == 1) {
    // The keyboard's rows, as the key codes number them.
    static const char* kRows[] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static const uint16_t kFirst[] = {2, 16, 30, 44};
    for (int r = 0; r < 4; ++r)
      if (const char* at = std::strchr(kRows[r], key[0])) return static_cast<uint16_t>(kFirst[r] + (at - kRows[r]));
  }
  return std::nullopt;
}

bool SimKeyboard::type(const std::string& key) {
  const auto code = keyCode(key);
  return code && typeCode(*code);
}

bool SimKeyboard::typeCode(uint16_t code) {
  if (fd_ < 0) return false;
  using platform::encodeInputEvent;
  const std::string records =
      encodeInputEvent(platform::kEvKey, code, platform::kKeyPressed) + encodeInputEvent(platform::kEvSyn, 0, 0) +
      encodeInputEvent(platform::kEvKey, code, platform::kKeyReleased) + encodeInputEvent(platform::kEvSyn, 0, 0);
  // Well under the pipe's atomic size, so the records never interleave with
  // another writer's.
  return ::write(fd_, records.data(), records.size()) == static_cast<ssize_t>(records.size());
}

}  // namespace sim
