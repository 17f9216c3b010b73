#include "links/link_log.h"

#include <cstdarg>
#include <cstdio>

#include "platform/clock.h"
#include "platform/log.h"

namespace {
constexpr int64_t kIntervalMs = 1000;
}

void RateLimitedLog::log(const char* fmt, ...) {
  ++total_;
  const int64_t now = platform::monotonicMs();
  if (lastMs_ >= 0 && now - lastMs_ < kIntervalMs) {
    ++heldBack_;
    return;
  }
  lastMs_ = now;
  char text[256];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(text, sizeof text, fmt, args);
  va_end(args);
  if (heldBack_ > 0) {
    platform::errPrintf("%s (%lu more like it held back)\n", text, heldBack_);
    platform::sysLog(platform::kErr, "%s (%lu more like it held back)", text, heldBack_);
  } else {
    platform::errPrintf("%s\n", text);
    platform::sysLog(platform::kErr, "%s", text);
  }
  heldBack_ = 0;
}
