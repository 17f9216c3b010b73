#include "bench_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace sim {

ControlSocket::~ControlSocket() { stop(); }

bool ControlSocket::start(const std::string& path, Handler handler) {
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return false;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  ::unlink(path.c_str());
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return false;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 4) != 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  path_ = path;
  handler_ = std::move(handler);
  running_ = true;
  thread_ = std::thread(&ControlSocket::serve, this);
  return true;
}

void ControlSocket::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(path_.c_str());
    listenFd_ = -1;
  }
}

// One client at a time: the bench is driven by a person or a script.
void ControlSocket::serve() {
  while (running_) {
    pollfd pfd{listenFd_, POLLIN, 0};
    if (::poll(&pfd, 1, 100) <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    talk(fd);
    ::close(fd);
  }
}

void ControlSocket::talk(int fd) {
  std::string line;
  char buf[256];
  while (running_) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, 100) <= 0) continue;
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return;
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] != '\n') {
        if (line.size() < 512) line += buf[i];
        continue;
      }
      std::string reply = handler_(line) + "\n\n";
      line.clear();
      if (::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) return;
    }
  }
}

}  // namespace sim
