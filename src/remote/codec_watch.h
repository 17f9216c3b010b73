#pragma once
// The USB audio codec's watchdog for the audio threads. The check lists the
// USB bus (three processes on the board), so it runs at most once per
// period, however often the thread's own loop turns.
#include <cstdint>

#include "links/remote_presence.h"
#include "platform/clock.h"

struct Works;

class CodecWatch {
 public:
  explicit CodecWatch(int periodMs) : periodMs_(periodMs), next_(platform::monotonicMs() + periodMs) {}
  // False once the codec has gone from the bus.
  bool present(Works* w) {
    const int64_t now = platform::monotonicMs();
    if (now < next_) return true;
    next_ = now + periodMs_;
    return VerifyAudioVYR(w) > 0;
  }

 private:
  int periodMs_;
  int64_t next_;
};

inline constexpr int kCaptureWatchMs = 2000;
inline constexpr int kPlaybackWatchMs = 1000;
