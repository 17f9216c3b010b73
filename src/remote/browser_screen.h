#pragma once
// Screen images for a browser peer. A unit redraws its own screen every tick
// and gets none; a browser gets the screen as true-colour JPEG at the
// `Quality` setting, only when it changed, and at most a few per second so a
// phone on Wi-Fi keeps up.
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

struct Works;

// Used when `Quality` asks for raw pixels, which a browser cannot show.
inline constexpr int kBrowserDefaultQuality = 75;
inline constexpr int kBrowserScreenPeriodMs = 250;

// Encodes the visible screen (4-byte pixels B, G, R, unused) as a standard
// JPEG, red where a viewer expects red. Empty when the screen cannot be read.
std::vector<uint8_t> BrowserScreenJpeg(Works* works, int quality);

class BrowserScreenSender {
 public:
  explicit BrowserScreenSender(Works* works) : w_(works) {}
  ~BrowserScreenSender() { stop(); }
  void start();
  void stop();
  // One look at the screen: sends it when it changed since the last one sent.
  // True when an image went out.
  bool sendIfChanged();
  uint64_t sent() const { return sent_; }

 private:
  void run();
  Works* w_;
  std::vector<uint8_t> last_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> sent_{0};
  std::thread thread_;
};
