#include "sim_microphone.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <vector>

#include "platform/clock.h"

namespace sim {
namespace {

constexpr int kRate = 48000;
constexpr int kChunk = 240;  // 5 ms
constexpr double kLevel = 8000;

}  // namespace

bool SimMicrophone::start(const std::string& path) {
  ::unlink(path.c_str());
  if (::mkfifo(path.c_str(), 0644) != 0) return false;
  // Read and write, so opening never waits for the program and the pipe
  // never breaks when the program closes its end; without a reader the pipe
  // fills and further samples are dropped.
  fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  running_ = true;
  thread_ = std::thread(&SimMicrophone::feed, this);
  return true;
}

void SimMicrophone::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void SimMicrophone::playTone(double hz, double seconds) {
  std::lock_guard lock(mutex_);
  hz_ = hz;
  toneLeft_ = std::lround(seconds * kRate);
  phase_ = 0;
}

void SimMicrophone::feed() {
  std::vector<int16_t> chunk(kChunk);
  // Chunks go out on a fixed schedule from the start, so the feed keeps the
  // sample rate however long each write takes.
  const int64_t start = platform::monotonicMs();
  int64_t sent = 0;
  while (running_) {
    {
      std::lock_guard lock(mutex_);
      for (int i = 0; i < kChunk; ++i) {
        const bool tone = toneLeft_ > 0;
        chunk[i] = tone ? static_cast<int16_t>(kLevel * std::sin(2 * M_PI * hz_ * phase_++ / kRate)) : 0;
        if (tone) --toneLeft_;
      }
    }
    if (::write(fd_, chunk.data(), chunk.size() * 2) < 0) {
      // A full pipe: nobody is reading, the chunk is dropped.
    }
    sent += kChunk;
    const int64_t due = start + sent * 1000 / kRate;
    const int64_t now = platform::monotonicMs();
    if (due > now) platform::sleepMs(due - now);
  }
}

}  // namespace sim
