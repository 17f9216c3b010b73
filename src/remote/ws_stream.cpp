#include "remote/ws_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/net.h"
#include "platform/transport.h"

namespace {
constexpr int kSliceMs = 100;  // how often a wait looks at the run flag
}

SocketStream::Fill SocketStream::fill(int64_t deadlineMs) {
  if (hardDeadline_ > 0 && (deadlineMs <= 0 || hardDeadline_ < deadlineMs)) deadlineMs = hardDeadline_;
  for (;;) {
    if (stopped()) return Fill::End;
    int slice = kSliceMs;
    if (deadlineMs > 0) {
      const int64_t left = deadlineMs - platform::monotonicMs();
      if (left <= 0) return Fill::Timeout;
      slice = static_cast<int>(std::min<int64_t>(left, kSliceMs));
    }
    const int ready = transport_ ? transport_->waitReadable(slice) : platform::waitReadable(fd_, slice);
    if (ready < 0) {
      lastError_ = errno;
      return Fill::Error;
    }
    if (ready == 0) continue;
    const long n = transport_ ? transport_->receive(buf_, sizeof buf_) : platform::receiveSome(fd_, buf_, sizeof buf_);
    if (n == platform::Transport::kNothingYet) continue;
    if (n == 0) return Fill::End;
    if (n < 0) {
      lastError_ = errno;
      return Fill::Error;
    }
    start_ = 0;
    end_ = static_cast<size_t>(n);
    return Fill::Ok;
  }
}

SocketStream::LineResult SocketStream::readLine(std::string& line, int64_t deadlineMs) {
  line.clear();
  while (line.size() < kHandshakeLineMax) {
    if (start_ == end_) {
      const Fill f = fill(deadlineMs);
      if (f == Fill::Timeout) return LineResult::Timeout;
      if (f == Fill::Error) return line.empty() ? LineResult::Error : LineResult::Line;
      if (f == Fill::End) return line.empty() ? LineResult::End : LineResult::Line;
    }
    const char c = static_cast<char>(buf_[start_++]);
    line += c;
    if (c == '\n') break;
  }
  return LineResult::Line;
}

SourceResult SocketStream::readExact(uint8_t* data, size_t n, bool frameStart) {
  int64_t deadline = frameStart ? idleDeadline_ : platform::monotonicMs() + stallMs_;
  idleExpired_ = false;
  while (n > 0) {
    if (start_ == end_) {
      const Fill f = fill(deadline);
      if (f == Fill::Timeout) {
        // The hard deadline is no idle tick: the login time is over.
        idleExpired_ = frameStart && (hardDeadline_ <= 0 || platform::monotonicMs() < hardDeadline_);
        return SourceResult::Stalled;
      }
      if (f != Fill::Ok) return SourceResult::Closed;
    }
    if (frameStart) {
      // The frame has begun: the rest of it may only stall so long.
      deadline = platform::monotonicMs() + stallMs_;
      frameStart = false;
    }
    const size_t take = std::min(n, end_ - start_);
    std::memcpy(data, buf_ + start_, take);
    start_ += take;
    data += take;
    n -= take;
  }
  return SourceResult::Ok;
}
