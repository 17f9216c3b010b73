#pragma once
// The reading side of one connection: handshake lines, then frames, through
// one buffer so bytes a peer sends right after its handshake are not lost.
// Every wait is bounded by a deadline or by the program's run flag.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "remote/ws_frame.h"

inline constexpr size_t kHandshakeLineMax = 1023;

namespace platform {
class Transport;
}

class SocketStream : public FrameSource {
 public:
  // Reads `fd` as plain TCP, or through `transport` (TLS) when given.
  SocketStream(int fd, const std::atomic<uint32_t>* running, platform::Transport* transport = nullptr)
      : fd_(fd), running_(running), transport_(transport) {}

  enum class LineResult { Line, End, Error, Timeout };
  // Reads up to and including a line feed, or kHandshakeLineMax bytes,
  // whichever comes first (a longer line arrives in pieces).
  LineResult readLine(std::string& line, int64_t deadlineMs);

  // Deadline (monotonic ms) for the first byte of the next frame; 0 waits as
  // long as the program runs.
  void setIdleDeadline(int64_t deadlineMs) { idleDeadline_ = deadlineMs; }
  void setStallMs(int ms) { stallMs_ = ms; }
  // A deadline over every wait, whatever the read (0: none). Login limits
  // hold for the whole exchange, not for each line or frame of it.
  void setHardDeadline(int64_t deadlineMs) { hardDeadline_ = deadlineMs; }
  SourceResult readExact(uint8_t* data, size_t n, bool frameStart) override;
  int lastError() const { return lastError_; }
  // Whether the last Stalled result was the idle deadline passing before a
  // frame began (nothing of a frame was read).
  bool idleExpired() const { return idleExpired_; }

 private:
  enum class Fill { Ok, End, Error, Timeout };
  Fill fill(int64_t deadlineMs);
  bool stopped() const { return running_ && *running_ == 0; }

  int fd_;
  const std::atomic<uint32_t>* running_;
  platform::Transport* transport_;
  uint8_t buf_[4096];
  size_t start_ = 0, end_ = 0;
  int64_t idleDeadline_ = 0;
  int64_t hardDeadline_ = 0;
  bool idleExpired_ = false;
  int stallMs_ = 5000;
  int lastError_ = 0;
};
