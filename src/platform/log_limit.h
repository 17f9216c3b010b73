#pragma once
// Log lines a peer can cause at will (a refused connection, a command sent
// too often) are let through at most once a second for each kind of line and
// each peer, so a flood from the network cannot fill the system log or crowd
// out the lines that matter. What is held back is counted, and the next line
// of that kind and peer that goes through says so: "... (41 more suppressed)".
//
//   platform::sysLogLimited("wrong passphrase", peer.c_str(), platform::kErr,
//                           "%s: wrong passphrase", peer.c_str());
//
// `kind` names the line (one short constant text per call site), `peer` who
// caused it (an address, "far unit", or "" when there is no one to tell
// apart). Lines that were suppressed and never followed by another of their
// pair are not written later: only the count in the next one tells of them.
// The table of pairs is bounded; when a flood of new peers fills it, the pair
// seen longest ago is forgotten (with its count).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/log.h"

namespace platform {

class LogRateLimit {
 public:
  // Monotonic milliseconds.
  using Clock = std::function<int64_t()>;
  static constexpr size_t kDefaultPairs = 256;
  static constexpr int64_t kDefaultIntervalMs = 1000;

  explicit LogRateLimit(size_t maxPairs = kDefaultPairs, int64_t intervalMs = kDefaultIntervalMs, Clock clock = {});

  // Whether a line of (`kind`, `peer`) may be written now: empty when it is
  // suppressed (and counted), otherwise how many were suppressed since the
  // last one let through.
  std::optional<uint64_t> admit(std::string_view kind, std::string_view peer);

  // sysLog of the line when admit() lets it through, with
  // " (N more suppressed)" appended when N > 0. True when it was written.
  bool log(std::string_view kind, std::string_view peer, LogLevel level, const char* fmt, ...)
      __attribute__((format(printf, 5, 6)));

  size_t pairs() const;

 private:
  struct Pair {
    int64_t lastLetMs = 0;
    uint64_t suppressed = 0;
    uint64_t lastSeen = 0;  // serial of the last admit() that asked
  };
  void forgetOldest();  // caller holds mutex_

  const size_t maxPairs_;
  const int64_t intervalMs_;
  Clock clock_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Pair> pairs_;
  uint64_t serial_ = 0;
};

// The program's limiter (one table for every call site).
LogRateLimit& logRateLimit();

// sysLog through the program's limiter: at most one line a second per
// (`kind`, `peer`). True when the line was written.
bool sysLogLimited(const char* kind, const char* peer, LogLevel level, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));

}  // namespace platform
