#include "platform/log.h"

#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/log_queue.h"
#include "platform/log_writer.h"
#include "platform/paths.h"

namespace platform {
namespace {

using Target = LogQueue::Target;

std::mutex gObserverMutex;
LogObserver gObserver;
std::atomic<bool> gObserved{false};
#ifdef HFAMP_QUIET_LOG
std::atomic<bool> gOutput{false};
#else
std::atomic<bool> gOutput{true};
#endif
std::mutex gSandboxMutex;
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

void writeSystemLog(bool error, const std::string& text) {
  if (!sandboxed()) {
    syslog(error ? LOG_ERR : LOG_INFO, "%s", text.c_str());
    return;
  }
  std::lock_guard lock(gSandboxMutex);
  if (!gSandboxLog) return;
  std::fprintf(gSandboxLog, "%s %s\n", error ? "err" : "info", text.c_str());
  std::fflush(gSandboxLog);
}

// The writes that may block; done by the log writer thread once it runs.
void writeLine(const LogQueue::Line& line) {
  switch (line.target) {
    case Target::StdErr:
    case Target::StdOut: {
      ssize_t rc = ::write(line.target == Target::StdErr ? STDERR_FILENO : STDOUT_FILENO, line.text.data(),
                           line.text.size());
      (void)rc;
      break;
    }
    case Target::SysErr:
    case Target::SysInfo:
      writeSystemLog(line.target == Target::SysErr, line.text);
      break;
  }
}

// Never destroyed: a thread still logging while the program's statics are
// torn down must find it there.
LogQueue& queue() {
  static LogQueue* q = new LogQueue(writeLine);
  return *q;
}

// Observers see the line on the caller's thread before it returns, in the
// order of the calls, whether or not the line is written anywhere.
void observe(const char* prefix, const std::string& text) {
  if (!gObserved) return;
  std::lock_guard lock(gObserverMutex);
  if (gObserver) gObserver(prefix + text);
}

void emit(Target target, const char* observerPrefix, std::string text) {
  observe(observerPrefix, text);
  if (gOutput) queue().post(target, std::move(text));
}

}  // namespace

void openSystemLog() {
  if (sandboxed()) {
    std::string path = hostPath("/var/log/hfamp.log");
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::lock_guard lock(gSandboxMutex);
    if (!gSandboxLog) gSandboxLog = std::fopen(path.c_str(), "a");
  } else {
    openlog("hfamp", LOG_PID, LOG_USER);
  }
}

void errPrintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = format(fmt, ap);
  va_end(ap);
  emit(Target::StdErr, "2: ", std::move(text));
}

void outPrintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = format(fmt, ap);
  va_end(ap);
  emit(Target::StdOut, "1: ", std::move(text));
}

void sysLog(LogLevel level, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = format(fmt, ap);
  va_end(ap);
  const bool error = level == LogLevel::Error;
  emit(error ? Target::SysErr : Target::SysInfo, error ? "E: " : "I: ", std::move(text));
}

void setLogOutput(bool on) { gOutput = on; }
bool logOutput() { return gOutput; }

void setLogObserver(LogObserver observer) {
  std::lock_guard lock(gObserverMutex);
  gObserver = std::move(observer);
  gObserved = static_cast<bool>(gObserver);
}

void attachLogWriter() { queue().attach(); }
void runLogWriter() { queue().run(); }
void finishLogWriter() { queue().finish(); }
void flushLog() { queue().flush(); }
void holdLogWriter(bool held) { queue().hold(held); }

LogCounts logCounts() {
  const LogQueue::Counts c = queue().counts();
  return {c.posted, c.written, c.dropped};
}

}  // namespace platform
