#include "bench_remote.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench_commands.h"
#include "emulated_exec.h"
#include "platform/clock.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

// Long enough for a screenshot from a unit slowed by a sanitizer build.
constexpr int kAskTimeoutMs = 20000;
constexpr int kSocketWaitMs = 10000;
constexpr int kQuitWaitMs = 8000;

int connectUnix(const std::string& path) {
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return -1;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Counts the lines of a log that contain `text`.
int countLines(const std::string& log, const std::string& text) {
  int n = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++n;
  return n;
}

}  // namespace

std::string AskBench(const std::string& socketPath, const std::string& line, int timeoutMs, bool& ok) {
  ok = false;
  const int fd = connectUnix(socketPath);
  if (fd < 0) return "";
  const std::string request = line + "\n";
  std::string reply;
  const int64_t deadline = platform::monotonicMs() + timeoutMs;
  if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    char buf[4096];
    // Every reply ends with an empty line.
    while (reply.size() < 2 || reply.compare(reply.size() - 2, 2, "\n\n") != 0) {
      const int64_t left = deadline - platform::monotonicMs();
      pollfd pfd{fd, POLLIN, 0};
      if (left <= 0 || ::poll(&pfd, 1, static_cast<int>(left)) <= 0) break;
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      reply.append(buf, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  ok = reply.size() >= 2 && reply.compare(reply.size() - 2, 2, "\n\n") == 0;
  if (ok) reply.resize(reply.size() - 2);
  return reply;
}

std::string LastPeerStatus(const std::string& text) {
  static const std::string kMark = "BUFFER Wsocket : ";
  const size_t at = text.rfind(kMark);
  if (at == std::string::npos) return "";
  const size_t from = at + kMark.size();
  const size_t end = text.find('\n', from);
  return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

std::string RemoteUnit::start(const std::string& root, int port) {
  if (running()) return "a client unit already runs in " + root_ + "; \"remote stop\" first";
  root_ = root;
  port_ = port;
  std::error_code ec;
  fs::create_directories(fs::path(root_) / "var/log", ec);
  fs::remove(socketPath(), ec);
  const std::string log = logPath();
  const Command command =
      EmulatedCommand({simPath_, "--root", root_, "--hfamp", hfamp_, "--client-of", std::to_string(port)});
  pid_ = fork();
  if (pid_ < 0) return std::string("cannot start the client unit: ") + std::strerror(errno);
  if (pid_ == 0) {
    // Its own process group, so a Ctrl-C at the first bench's terminal
    // reaches only the first bench, which then quits this one in order.
    setpgid(0, 0);
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in >= 0) dup2(in, STDIN_FILENO);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    command.exec();
    std::perror("hfamp-sim: exec the client unit");
    _exit(127);
  }
  const int64_t deadline = platform::monotonicMs() + int64_t{kSocketWaitMs} * EmulationSlowdown();
  while (platform::monotonicMs() < deadline) {
    bool ok = false;
    AskBench(socketPath(), "panel", 1000, ok);
    if (ok) return "";
    if (!running()) return "the client unit ended at once; see " + log;
    platform::sleepMs(100);
  }
  stop();
  return "the client unit did not answer; see " + log;
}

bool RemoteUnit::running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) pid_ = -1;
  return pid_ > 0;
}

void RemoteUnit::stop() {
  if (!running()) return;
  bool ok = false;
  AskBench(socketPath(), "quit", 1000, ok);
  const int64_t deadline = platform::monotonicMs() + kQuitWaitMs;
  while (running() && platform::monotonicMs() < deadline) platform::sleepMs(50);
  if (running()) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

std::string RemoteUnit::ask(const std::string& line) {
  if (!running()) return "no client unit; \"remote client\" starts one";
  bool ok = false;
  std::string reply = AskBench(socketPath(), line, kAskTimeoutMs, ok);
  return ok ? reply : "the client unit did not answer";
}

std::string RemoteUnit::describe() {
  if (!running()) return "no client unit; \"remote client\" starts one";
  const std::string system = slurp(root_ + "/var/log/hfamp.log");
  const int connects = countLines(system, "Websocket Connected");
  const int drops = countLines(system, "reconnecting");
  // Connected when the last connection made has not been dropped since.
  const size_t lastConnect = system.rfind("Websocket Connected");
  const size_t lastDrop = system.rfind("reconnecting");
  const bool connected = lastConnect != std::string::npos && (lastDrop == std::string::npos || lastDrop < lastConnect);
  // What the client's program received, from its own log (its bench keeps the
  // program's output there, away from the bench's answers).
  const std::string status = LastPeerStatus(slurp(root_ + kProgramLog));
  char head[160];
  std::snprintf(head, sizeof head, "client unit in %s, server port %d, %s (%d connections, %d dropped)\n",
                root_.c_str(), port_, connected ? "connected" : "not connected", connects, drops);
  return head + std::string("far unit's status line: ") + (status.empty() ? "(none yet)" : status);
}

}  // namespace sim
