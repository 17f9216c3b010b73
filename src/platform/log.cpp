#include "platform/log.h"

#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/paths.h"

namespace platform {
namespace {
std::mutex gLogMutex;
LogObserver gObserver;
#ifdef HFAMP_QUIET_LOG
std::atomic<bool> gOutput{false};
#else
std::atomic<bool> gOutput{true};
#endif
FILE* gSandboxLog = nullptr;

std::string format(const char* fmt, va_list ap) {
  char small[512];
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, n);
  std::string big(n + 1, '\0');
  std::vsnprintf(big.data(), big.size(), fmt, ap);
  big.resize(n);
  return big;
}
// Caller holds gLogMutex.
void writeSystemLog(LogLevel level, const std::string& text) {
  if (!sandboxed()) {
    syslog(level == LogLevel::Error ? LOG_ERR : LOG_INFO, "%s", text.c_str());
  } else if (gSandboxLog) {
    std::fprintf(gSandboxLog, "%s %s\n", level == LogLevel::Error ? "err" : "info", text.c_str());
    std::fflush(gSandboxLog);
  }
}
}  // namespace

void openSystemLog() {
  std::lock_guard lock(gLogMutex);
  if (sandboxed()) {
    std::string path = hostPath("/var/log/hfamp.log");
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (!gSandboxLog) gSandboxLog = std::fopen(path.c_str(), "a");
  } else {
    openlog("hfamp", LOG_PID, LOG_USER);
  }
}

namespace {

// One piece of text to a standard stream and to the observer.
void writeStream(int fd, const char* observerPrefix, const std::string& text) {
  std::lock_guard lock(gLogMutex);
  if (gOutput) {
    ssize_t rc = ::write(fd, text.data(), text.size());
    (void)rc;
  }
  if (gObserver) gObserver(observerPrefix + text);
}

}  // namespace

void errPrintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = format(fmt, ap);
  va_end(ap);
  writeStream(STDERR_FILENO, "2: ", text);
}

void outPrintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = format(fmt, ap);
  va_end(ap);
  writeStream(STDOUT_FILENO, "1: ", text);
}

void sysLog(LogLevel level, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = format(fmt, ap);
  va_end(ap);
  std::lock_guard lock(gLogMutex);
  if (gOutput) writeSystemLog(level, text);
  if (gObserver) gObserver((level == LogLevel::Error ? "E: " : "I: ") + text);
}

void setLogOutput(bool on) { gOutput = on; }
bool logOutput() { return gOutput; }

void setLogObserver(LogObserver observer) {
  std::lock_guard lock(gLogMutex);
  gObserver = std::move(observer);
}

}  // namespace platform
