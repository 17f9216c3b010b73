#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform/clock.h"

namespace sim {

PtyPeer::~PtyPeer() { stop(); }

void PtyPeer::start() {
  if (running_.exchange(true)) return;
  startMs_ = platform::monotonicMs();
  // A real line sends whether or not anyone reads it: while the program's
  // side is not reading, what does not fit is lost instead of stalling the device.
  ::fcntl(pty_.master(), F_SETFL, ::fcntl(pty_.master(), F_GETFL) | O_NONBLOCK);
  thread_ = std::thread(&PtyPeer::run, this);
}

void PtyPeer::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
}

int64_t PtyPeer::nowMs() const { return platform::monotonicMs() - startMs_; }

void PtyPeer::send(const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  for (int tries = 0; n > 0 && tries < 50; ++tries) {
    const ssize_t done = ::write(pty_.master(), p, n);
    if (done <= 0) {
      // Give a slow reader a moment, then drop the rest.
      pollfd pfd{pty_.master(), POLLOUT, 0};
      if (::poll(&pfd, 1, 20) <= 0) return;
      continue;
    }
    p += done;
    n -= static_cast<size_t>(done);
  }
}

void PtyPeer::run() {
  uint8_t buf[512];
  while (running_) {
    pollfd pfd{pty_.master(), POLLIN, 0};
    if (::poll(&pfd, 1, 2) > 0 && (pfd.revents & POLLIN)) {
      const ssize_t n = ::read(pty_.master(), buf, sizeof buf);
      if (n > 0) onBytes(buf, static_cast<size_t>(n));
    }
    onTick(nowMs());
  }
}

}  // namespace sim
