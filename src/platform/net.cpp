#include "platform/net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/transport.h"

namespace platform {
namespace {

sockaddr_in addressOf(const std::string& dotted, uint16_t port, bool* ok) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  *ok = inet_pton(AF_INET, dotted.c_str(), &a.sin_addr) == 1;
  return a;
}

// Small frames go out at once: status lines and CAT text are latency bound.
void noDelay(int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int remainingMs(int64_t deadline) {
  const int64_t left = deadline - monotonicMs();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

TcpListen listenTcp(uint16_t port, int backlog, const std::string& address) {
  TcpListen r;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    r.failure = TcpListen::Failure::Socket;
    r.error = errno;
    return r;
  }
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  a.sin_port = htons(port);
  const bool named = !address.empty() && address != "0.0.0.0";
  if (named && ::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) {
    errno = EINVAL;
    r.failure = TcpListen::Failure::Bind;
  } else if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    r.failure = TcpListen::Failure::Bind;
  } else if (::listen(fd, backlog) != 0) {
    r.failure = TcpListen::Failure::Listen;
  } else {
    r.fd = fd;
    return r;
  }
  r.error = errno;
  ::close(fd);
  return r;
}

int localPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return -1;
  return ntohs(a.sin_port);
}

TcpAccept acceptTcp(int listenFd, int timeoutMs) {
  TcpAccept r;
  pollfd p{listenFd, POLLIN, 0};
  const int ready = ::poll(&p, 1, timeoutMs);
  if (ready == 0 || (ready < 0 && errno == EINTR)) {
    r.timedOut = true;
    return r;
  }
  sockaddr_in a{};
  socklen_t len = sizeof a;
  const int fd = ready < 0 ? -1 : ::accept4(listenFd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
  if (fd < 0) {
    // A peer that gave up between poll and accept is not the listener's fault.
    if (errno == EAGAIN || errno == ECONNABORTED || errno == EINTR) r.timedOut = true;
    r.error = errno;
    return r;
  }
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
  noDelay(fd);
  r.fd = fd;
  r.peer = text;
  return r;
}

int createTcpSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }

std::optional<std::string> resolveHost(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
  ::freeaddrinfo(found);
  return std::string(text);
}

bool bindLocal(int fd, const std::string& address) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) {
    errno = EINVAL;
    return false;
  }
  return ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool connectTcp(int fd, const std::string& address, uint16_t port, int timeoutMs) {
  bool ok = false;
  sockaddr_in a = addressOf(address, port, &ok);
  if (!ok) {
    errno = EINVAL;
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  if (rc != 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    rc = ::poll(&p, 1, timeoutMs);
    if (rc == 0) {
      errno = ETIMEDOUT;
      rc = -1;
    } else if (rc > 0) {
      int err = 0;
      socklen_t len = sizeof err;
      ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
      errno = err;
      rc = err == 0 ? 0 : -1;
    }
  }
  const int saved = errno;
  ::fcntl(fd, F_SETFL, flags);
  errno = saved;
  if (rc == 0) noDelay(fd);
  return rc == 0;
}

int waitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  const int rc = ::poll(&p, 1, timeoutMs);
  if (rc < 0) return errno == EINTR ? 0 : -1;
  return rc;
}

long receiveSome(int fd, void* data, size_t length) {
  long n;
  do n = ::recv(fd, data, length, 0);
  while (n < 0 && errno == EINTR);
  return n;
}

bool sendAllWithin(int fd, const void* data, size_t length, int timeoutMs) {
  const auto* p = static_cast<const uint8_t*>(data);
  const int64_t deadline = monotonicMs() + timeoutMs;
  while (length > 0) {
    const long n = ::send(fd, p, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      p += n;
      length -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd w{fd, POLLOUT, 0};
    const int left = remainingMs(deadline);
    if (left == 0 || ::poll(&w, 1, left) == 0) {
      errno = ETIMEDOUT;
      return false;
    }
  }
  return true;
}

void shutdownSocket(int fd) {
  if (fd > 0) ::shutdown(fd, SHUT_RDWR);
}

void closeSocket(int fd) {
  if (fd > 0) ::close(fd);
}

bool readRandom(void* data, size_t length, size_t* got) {
  *got = 0;
  const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const long n = ::read(fd, data, length);
  const int saved = errno;
  ::close(fd);
  errno = saved;
  *got = n > 0 ? static_cast<size_t>(n) : 0;
  return *got == length;
}

}  // namespace platform

namespace platform {

int PlainTransport::waitReadable(int timeoutMs) { return platform::waitReadable(fd_, timeoutMs); }
long PlainTransport::receive(void* data, size_t length) { return receiveSome(fd_, data, length); }
bool PlainTransport::sendAllWithin(const void* data, size_t length, int timeoutMs) {
  return platform::sendAllWithin(fd_, data, length, timeoutMs);
}
void PlainTransport::shutdown() { shutdownSocket(fd_); }

}  // namespace platform
