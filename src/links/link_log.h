#pragma once
// Error lines about bad input from a transceiver. A transceiver sending
// garbage would otherwise write a line per message into the system log; these
// go out at most once a second, with the count of those held back.
#include <cstdint>

class RateLimitedLog {
 public:
  // printf-style; to standard error and the system log (error level).
  void log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  unsigned long total() const { return total_; }

 private:
  int64_t lastMs_ = -1;
  unsigned long heldBack_ = 0;
  unsigned long total_ = 0;
};
