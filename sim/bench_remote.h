#pragma once
// A second unit beside the bench's own: another hfamp-sim, with its own
// sandbox, simulated hardware and `hfamp --root` process, whose program is a
// WebSocket client of the first unit's over loopback. The first bench drives
// it through the second's control socket, so every bench command works on
// either unit.
#include <sys/types.h>

#include <string>

namespace sim {

// Sends one command line to a bench's control socket and returns its reply
// (without the closing empty line); nullopt-like empty string and `ok` false
// when the bench cannot be reached or does not answer within `timeoutMs`.
std::string AskBench(const std::string& socketPath, const std::string& line, int timeoutMs, bool& ok);

class RemoteUnit {
 public:
  // `simPath` is this hfamp-sim, `hfampPath` the program both units run.
  RemoteUnit(std::string simPath, std::string hfampPath) : simPath_(std::move(simPath)), hfamp_(std::move(hfampPath)) {}
  ~RemoteUnit() { stop(); }
  RemoteUnit(const RemoteUnit&) = delete;
  RemoteUnit& operator=(const RemoteUnit&) = delete;

  // Starts the client unit in `root`, connecting to 127.0.0.1:`port`.
  // An error text, empty on success.
  std::string start(const std::string& root, int port);
  // Quits the client unit and waits for it. Safe when none runs.
  void stop();
  bool running();
  // A command for the client unit's bench.
  std::string ask(const std::string& line);
  // Where the client unit is, whether its program is connected, and the far
  // unit's status line as the client last received it.
  std::string describe();

  const std::string& root() const { return root_; }
  std::string logPath() const { return root_ + "/var/log/bench.log"; }

 private:
  std::string socketPath() const { return root_ + "/run/bench.sock"; }

  std::string simPath_, hfamp_, root_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// The last status line a program logged as received from its peer, from its
// standard error text; empty when none arrived.
std::string LastPeerStatus(const std::string& stderrText);

}  // namespace sim
