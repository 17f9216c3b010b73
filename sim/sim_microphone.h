#pragma once
// What the unit's sound card hears in the bench: a named pipe at the
// sandbox's capture file, fed in real time (5 ms of mono 48 kHz samples at a
// time) with silence, or with a tone for as long as asked. The program's
// capture reads it through ALSA's file plugin, paced by this feed.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class SimMicrophone {
 public:
  ~SimMicrophone() { stop(); }
  // Makes the pipe at `path` (replacing a file there) and starts feeding it.
  bool start(const std::string& path);
  void stop();
  // A tone of `hz` for `seconds`, from now.
  void playTone(double hz, double seconds);

 private:
  void feed();

  int fd_ = -1;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::mutex mutex_;
  double hz_ = 0;
  long toneLeft_ = 0;  // samples
  long phase_ = 0;
};

}  // namespace sim
