#include "platform/input.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/paths.h"

namespace platform {

size_t inputEventSize() { return sizeof(input_event); }

std::string encodeInputEvent(uint16_t type, uint16_t code, int32_t value) {
  input_event ev{};
  ev.type = type;
  ev.code = code;
  ev.value = value;
  return std::string(reinterpret_cast<const char*>(&ev), sizeof ev);
}

std::string findInputDevice(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  const size_t star = pattern.find('*', slash == std::string::npos ? 0 : slash);
  if (slash == std::string::npos || star == std::string::npos) return {};
  const std::string folder = pattern.substr(0, slash);
  const std::string prefix = pattern.substr(slash + 1, star - slash - 1);
  const std::string suffix = pattern.substr(star + 1);
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(hostPath(folder), ec)) {
    const std::string name = entry.path().filename().string();
    // As the shell's "*", which never matches a leading dot.
    if (name.empty() || name.front() == '.' || name.size() < prefix.size() + suffix.size()) continue;
    if (name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      names.push_back(name);
  }
  if (names.empty()) return {};
  return folder + "/" + *std::min_element(names.begin(), names.end());
}

std::unique_ptr<InputDevice> InputDevice::open(const std::string& systemPath, int& err) {
  const std::string path = hostPath(systemPath);
  struct stat st {};
  const bool isPipe = ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  // A pipe is opened for writing too: holding a writer of our own, it never
  // reads as ended when the simulator's writer closes, and the open does not
  // wait for a writer to appear.
  int fd = ::open(path.c_str(), (isPipe ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  return std::unique_ptr<InputDevice>(new InputDevice(fd, isPipe));
}

InputDevice::~InputDevice() { ::close(fd_); }

bool InputDevice::grab(int& err) {
  if (isPipe_) return true;
  if (::ioctl(fd_, EVIOCGRAB, 1) == 0) return true;
  err = errno;
  return false;
}

InputDevice::Result InputDevice::next(InputEvent& event, int timeoutMs, int& err) {
  const size_t size = sizeof(input_event);
  while (pending_.size() < size) {
    pollfd pfd{fd_, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, timeoutMs);
    if (ready == 0) return Result::Timeout;
    if (ready < 0) {
      err = errno;
      return Result::Error;
    }
    char buf[sizeof(input_event) * 16];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Result::Timeout;
    if (n < 0) {
      err = errno;
      return Result::Error;
    }
    if (n == 0) {  // the device went away
      err = ENODEV;
      return Result::Error;
    }
    pending_.append(buf, static_cast<size_t>(n));
  }
  input_event ev{};
  std::memcpy(&ev, pending_.data(), size);
  pending_.erase(0, size);
  event.type = ev.type;
  event.code = ev.code;
  event.value = ev.value;
  return Result::Event;
}

}  // namespace platform
