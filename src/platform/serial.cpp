#include "platform/serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <glob.h>

#include <cerrno>
#include <cstring>

#include "platform/paths.h"

namespace platform {
namespace {

speed_t speedFor(int baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    default:
      return B115200;
  }
}

}  // namespace

SerialOpen openSerial(const std::string& systemPath, const SerialSettings& s) {
  SerialOpen result;
  int flags = O_RDWR | O_NOCTTY | O_CLOEXEC | (s.nonBlocking ? O_NONBLOCK : 0);
  int fd = ::open(hostPath(systemPath).c_str(), flags);
  if (fd < 0) {
    result.error = errno;
    result.failure = SerialOpen::Failure::Open;
    return result;
  }
  termios tio{};
  tio.c_cflag = CS8 | CREAD | CLOCAL | (s.hangUpOnClose ? HUPCL : 0) | (s.stopBits == 2 ? CSTOPB : 0);
  tio.c_iflag = IGNPAR;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  tio.c_cc[VMIN] = static_cast<cc_t>(s.readMin);
  tio.c_cc[VTIME] = static_cast<cc_t>(s.readTimeoutTenths);
  cfsetispeed(&tio, speedFor(s.baud));
  cfsetospeed(&tio, speedFor(s.baud));
  tcflush(fd, TCIFLUSH);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    result.error = errno;
    ::close(fd);
    result.failure = SerialOpen::Failure::Configure;
    return result;
  }
  result.fd = fd;
  return result;
}

int bytesWaiting(int fd) {
  int n = 0;
  if (fd < 0 || ::ioctl(fd, FIONREAD, &n) != 0) return -1;
  return n;
}

long readSerial(int fd, void* data, size_t length) { return ::read(fd, data, length); }

bool writeAll(int fd, const void* data, size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t n = ::write(fd, p, length);
    if (n < 0 && (errno == EINTR)) continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd pfd{fd, POLLOUT, 0};
      ::poll(&pfd, 1, 100);
      continue;
    }
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool setReadTimeout(int fd, int readMin, int readTimeoutTenths) {
  termios tio{};
  if (fd < 0 || tcgetattr(fd, &tio) != 0) return false;
  tio.c_cc[VMIN] = static_cast<cc_t>(readMin);
  tio.c_cc[VTIME] = static_cast<cc_t>(readTimeoutTenths);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

void flushInput(int fd) {
  if (fd >= 0) tcflush(fd, TCIFLUSH);
}

void closeSerial(int fd) {
  if (fd >= 0) ::close(fd);
}

std::vector<std::string> matchDevices(const std::string& systemPattern) {
  std::vector<std::string> out;
  const std::string pattern = hostPath(systemPattern);
  glob_t g{};
  if (::glob(pattern.c_str(), 0, nullptr, &g) == 0) {
    // Back to system paths: the sandbox root is not part of a device's name.
    const size_t cut = pattern.size() - systemPattern.size();
    for (size_t i = 0; i < g.gl_pathc; ++i) out.emplace_back(std::string(g.gl_pathv[i]).substr(cut));
  }
  globfree(&g);
  return out;
}

std::string errorText(int error) {
  char buf[128];
  return strerror_r(error, buf, sizeof buf);
}

}  // namespace platform
