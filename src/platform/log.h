#pragma once
// Diagnostics: free-form lines on standard error, and the system log at error or
// information level. In the sandbox the system log goes to DIR/var/log/hfamp.log
// instead of the host's syslog. While the program's log writer thread runs,
// these calls only queue the line and never wait on the writes (log_writer.h);
// lines a peer can cause are rate-limited with sysLogLimited (log_limit.h).
#include <cstdarg>
#include <functional>
#include <string>

namespace platform {

enum class LogLevel { Error, Info };

// printf-style line(s) to standard error, written as one piece.
void errPrintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// printf-style text to standard output, written as one piece.
void outPrintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// printf-style message to the system log.
void sysLog(LogLevel level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
inline constexpr LogLevel kErr = LogLevel::Error;
inline constexpr LogLevel kInfo = LogLevel::Info;

// Tests observe everything written through errPrintf and sysLog. The observer is
// called with "E: " or "I: " before system-log texts, "2: " before standard
// error texts and "1: " before standard output texts. Pass an empty function to remove it.
using LogObserver = std::function<void(const std::string&)>;
void setLogObserver(LogObserver observer);

// Whether the lines reach standard error and the system log. Builds with
// HFAMP_QUIET_LOG (the fuzz targets) start with it off: they run millions of
// inputs through code that logs. Observers see every line either way.
void setLogOutput(bool on);
bool logOutput();

// Opens the system log for the program's identity; call once at start.
void openSystemLog();

}  // namespace platform
