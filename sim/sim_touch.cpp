#include "sim_touch.h"

#include <chrono>
#include <filesystem>

#include "platform/clock.h"
#include "platform/touch_devices.h"
#include "sandbox.h"

namespace sim {

SimTouch::SimTouch(const std::string& root) : root_(root) {
  write(false, 0, 0);
  thread_ = std::thread([this] { run(); });
}

SimTouch::~SimTouch() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

// Replaced in one step: the program polls the file and must never see it
// half written, which would read as a finger lifted.
void SimTouch::write(bool pressed, int x, int y) {
  const std::string tmp = std::string(platform::kTouchFeedPath) + ".new";
  writeSandboxFile(root_, tmp, platform::formatTouchFeed({pressed, x, y}));
  std::error_code ec;
  std::filesystem::rename(root_ + tmp, root_ + platform::kTouchFeedPath, ec);
  pressed_ = pressed;
}

bool SimTouch::tap(int x, int y, double seconds) {
  if (x < 0 || x >= 800 || y < 0 || y >= 480 || !(seconds > 0)) return false;
  {
    std::lock_guard lock(mutex_);
    x_ = x;
    y_ = y;
    releaseAt_ = platform::monotonicSeconds() + seconds;
    write(true, x, y);
  }
  wake_.notify_all();
  return true;
}

void SimTouch::run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (releaseAt_ < 0) {
      wake_.wait(lock);
      continue;
    }
    const double left = releaseAt_ - platform::monotonicSeconds();
    if (left > 0) {
      wake_.wait_for(lock, std::chrono::duration<double>(left));
      continue;
    }
    releaseAt_ = -1;
    write(false, x_, y_);
  }
}

}  // namespace sim
