#pragma once
// The bench's finger on the touch panel: writes the point and whether it is
// pressed into the sandbox's touch feed (platform/touch_devices.h), where the
// program's simulated SPI controller and USB panel turn it into raw readings.
//
//   sim::SimTouch finger(root);
//   finger.tap(600, 450, 0.1);   // touched for 0.1 s at that pixel
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class SimTouch {
 public:
  explicit SimTouch(const std::string& root);
  ~SimTouch();
  SimTouch(const SimTouch&) = delete;
  SimTouch& operator=(const SimTouch&) = delete;

  // Touches (x, y) now and lets go after `seconds`, on its own thread; a new
  // touch replaces one still held. False for a point off the screen.
  bool tap(int x, int y, double seconds);
  bool pressed() const { return pressed_; }

 private:
  void write(bool pressed, int x, int y);
  void run();

  std::string root_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  int x_ = 0, y_ = 0;
  double releaseAt_ = -1;  // monotonic seconds, -1 none
  std::atomic<bool> pressed_{false};
  std::thread thread_;
};

}  // namespace sim
