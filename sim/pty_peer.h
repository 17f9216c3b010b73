#pragma once
// The far end of one serial line: a pseudo-terminal whose master side a
// simulated device reads and writes on its own thread. A device implements
// onBytes (what arrived) and, when it talks on its own, onTick (called every
// few milliseconds); it answers with send. Output the program does not read
// is dropped once the line's buffer is full, as on a real line.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "pty.h"

namespace sim {

class PtyPeer {
 public:
  PtyPeer() = default;
  virtual ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  bool ok() const { return pty_.ok(); }
  const std::string& slaveName() const { return pty_.slaveName(); }
  bool linkSlaveTo(const std::string& hostPath) const { return pty_.linkSlaveTo(hostPath); }
  void start();
  // Stops the thread; a device must call it in its own destructor.
  void stop();

 protected:
  virtual void onBytes(const uint8_t* data, size_t n) = 0;
  virtual void onTick(int64_t nowMs) {}
  // Writes every byte to the program's side.
  void send(const void* data, size_t n);
  // Milliseconds since start().
  int64_t nowMs() const;

 private:
  void run();

  Pty pty_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  int64_t startMs_ = 0;
};

}  // namespace sim
