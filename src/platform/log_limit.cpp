#include "platform/log_limit.h"

#include <cstdarg>
#include <cstdio>

#include "platform/clock.h"

namespace platform {
namespace {

std::string vformat(const char* fmt, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), fmt, ap);
  text.resize(static_cast<size_t>(n));
  return text;
}

bool logAdmitted(LogRateLimit& limit, std::string_view kind, std::string_view peer, LogLevel level, const char* fmt,
                 va_list ap) {
  const std::optional<uint64_t> suppressed = limit.admit(kind, peer);
  if (!suppressed) return false;
  const std::string text = vformat(fmt, ap);
  if (*suppressed == 0)
    sysLog(level, "%s", text.c_str());
  else
    sysLog(level, "%s (%llu more suppressed)", text.c_str(), static_cast<unsigned long long>(*suppressed));
  return true;
}

}  // namespace

LogRateLimit::LogRateLimit(size_t maxPairs, int64_t intervalMs, Clock clock)
    : maxPairs_(maxPairs > 0 ? maxPairs : 1), intervalMs_(intervalMs), clock_(clock ? std::move(clock) : monotonicMs) {}

std::optional<uint64_t> LogRateLimit::admit(std::string_view kind, std::string_view peer) {
  const int64_t now = clock_();
  std::string key;
  key.reserve(kind.size() + 1 + peer.size());
  key.append(kind).push_back('\0');  // no kind/peer split can make two pairs one
  key.append(peer);
  std::lock_guard lock(mutex_);
  auto it = pairs_.find(key);
  if (it == pairs_.end()) {
    if (pairs_.size() >= maxPairs_) forgetOldest();
    pairs_.emplace(std::move(key), Pair{now, 0, ++serial_});
    return 0;
  }
  Pair& p = it->second;
  p.lastSeen = ++serial_;
  if (now - p.lastLetMs < intervalMs_) {
    ++p.suppressed;
    return std::nullopt;
  }
  const uint64_t suppressed = p.suppressed;
  p.suppressed = 0;
  p.lastLetMs = now;
  return suppressed;
}

// A linear search: it runs only when a new pair meets a full table, and the
// table is small.
void LogRateLimit::forgetOldest() {
  auto oldest = pairs_.begin();
  for (auto it = pairs_.begin(); it != pairs_.end(); ++it)
    if (it->second.lastSeen < oldest->second.lastSeen) oldest = it;
  if (oldest != pairs_.end()) pairs_.erase(oldest);
}

size_t LogRateLimit::pairs() const {
  std::lock_guard lock(mutex_);
  return pairs_.size();
}

bool LogRateLimit::log(std::string_view kind, std::string_view peer, LogLevel level, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const bool written = logAdmitted(*this, kind, peer, level, fmt, ap);
  va_end(ap);
  return written;
}

LogRateLimit& logRateLimit() {
  static LogRateLimit* limit = new LogRateLimit();  // outlives every thread that logs
  return *limit;
}

bool sysLogLimited(const char* kind, const char* peer, LogLevel level, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const bool written = logAdmitted(logRateLimit(), kind ? kind : "", peer ? peer : "", level, fmt, ap);
  va_end(ap);
  return written;
}

}  // namespace platform
