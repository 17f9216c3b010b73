#pragma once
// The bench's control socket: a Unix stream socket taking the same text
// commands as standard input, one per line, each answered with its reply text
// and an empty line.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace sim {

class ControlSocket {
 public:
  using Handler = std::function<std::string(const std::string& line)>;
  ~ControlSocket();
  // Listens on `path` (replacing a stale socket file); false on failure.
  bool start(const std::string& path, Handler handler);
  void stop();

 private:
  void serve();
  void talk(int fd);

  int listenFd_ = -1;
  std::string path_;
  Handler handler_;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace sim
