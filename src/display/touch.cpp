#include "display/touch.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "display/draw.h"
#include "display/framebuffer.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/touch_devices.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

using platform::kErr;
using platform::kInfo;

constexpr const char* kSpiDevice = "/dev/spidev0.0";
constexpr uint8_t kSpiMode = 0, kSpiBits = 8;
constexpr uint32_t kSpiSpeed = 120000;
constexpr uint16_t kSpiDelay = 0;
constexpr int kPressureTouched = 20;
constexpr double kRepeatSeconds = 0.5;
constexpr int kBarTop = 420, kButtons = 6;
constexpr uint16_t kUsbVendor = 0x0EEF, kUsbProduct = 0xC000;
constexpr uint8_t kUsbEndpoint = 0x81;

[[noreturn]] void endProcess(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

bool delayedTouch(Works* w) { return w->setup && w->setup->DelayedTouch == '1'; }

// Pressure: the second of two readings, the first settles the controller.
int pressure(platform::SpiDevice& dev) {
  transfer(dev, 0xB1, 4);
  return transfer(dev, 0xB1, 4);
}

// -1 when a transfer fails.
int meanOfFive(platform::SpiDevice& dev, uint8_t command) {
  int sum = 0;
  for (int i = 0; i < 5; ++i) {
    platform::sleepMs(1);
    const int v = transfer(dev, command, 3);
    if (v < 0) return -1;
    sum += v;
  }
  return sum / 5;
}

void configure(platform::SpiDevice& dev) {
  uint8_t mode = kSpiMode, bits = kSpiBits;
  uint32_t speed = kSpiSpeed;
  const struct {
    bool ok;
    const char* message;
    int status;
  } steps[] = {
      {dev.setMode(mode), "can't set spi mode", 2},         {dev.getMode(mode), "can't get spi mode", 3},
      {dev.setBitsPerWord(bits), "can't set bits per word", 4}, {dev.getBitsPerWord(bits), "can't get bits per word", 5},
      {dev.setMaxSpeed(speed), "can't set max speed hz", 6},    {dev.getMaxSpeed(speed), "can't get max speed hz", 7},
  };
  for (const auto& s : steps) {
    if (s.ok) continue;
    platform::sysLog(kErr, "%s", s.message);
    endProcess(s.status);
  }
  platform::sysLog(kInfo, "spi mode: 0x%x\n", mode);
  platform::sysLog(kInfo, "bits per word: %d\n", bits);
  platform::sysLog(kInfo, "max speed: %d Hz (%d KHz)\n", speed, speed / 1000);
}

// The touch state the last event reported, and when.
struct TouchEvents {
  bool touched = false;
  double lastEvent = -1;
  TouchPoint remembered{0, 0};
};

void event(Works* w, TouchEvents& ev, bool touched, TouchPoint point) {
  ApplyTouch(w, touched, point);
  if (touched && delayedTouch(w)) {
    DrawTouchTarget(w, point);
    ev.remembered = point;
  }
  ev.touched = touched;
  ev.lastEvent = platform::monotonicSeconds();
}

}  // namespace

int transfer(platform::SpiDevice& device, uint8_t command, size_t length) {
  uint8_t tx[4] = {command, 0, 0, 0}, rx[4] = {};
  if (length > sizeof tx) length = sizeof tx;
  if (!device.transfer(tx, rx, length, kSpiSpeed, kSpiDelay, kSpiBits)) {
    platform::sysLog(kErr, "can't send spi message");
    return -1;
  }
  return rx[1] * 32 + (rx[2] >> 5);
}

uint8_t SoftButtonsAt(TouchPoint p) {
  if (p.y < kBarTop || p.y >= kTouchHeight || p.x < 0 || p.x >= kTouchWidth) return 0;
  return static_cast<uint8_t>(1u << (p.x * kButtons / kTouchWidth));
}

void ApplyTouch(Works* w, bool pressed, TouchPoint point) { w->touchHeld = pressed ? SoftButtonsAt(point) : 0; }

void DrawTouchTarget(Works* w, TouchPoint p) {
  FrameBuffer* fb = w->fb;
  if (!fb) return;
  std::lock_guard lock(fb->drawLock);
  DrawArc(p.x, p.y, 40, 0, 360, 255, 255, 255, fb, 0);
  DrawArc(p.x, p.y, 39, 0, 360, 0, 0, 0, fb, 0);
  DrawArc(p.x, p.y, 38, 0, 360, 255, 255, 255, fb, 0);
  DrawLine(std::max(p.x - 45, 0), p.y, std::min(p.x + 45, kTouchWidth - 1), p.y, 255, 255, 255, fb, 0);
  DrawLine(p.x, std::max(p.y - 45, 0), p.x, std::min(p.y + 45, kTouchHeight - 1), 255, 255, 255, fb, 0);
  fbRealize(fb);
}

void spi(Works* w) {
  platform::sysLog(kInfo, "Spi Operations init\n");
  int err = 0;
  std::unique_ptr<platform::SpiDevice> dev = platform::SpiDevice::open(kSpiDevice, err);
  if (!dev) {
    platform::sysLog(kErr, "can't open device");
    endProcess(1);
  }
  const std::optional<TouchCalibration> cal = ReadCalibration();
  configure(*dev);
  platform::sysLog(kInfo, "Spi Continuous loop started, please end using Control C\n");
  TouchEvents ev;
  TouchPoint point{0, 0};
  // A bus that fails ends this reader only: the amplifier stays under the
  // control of the front-panel buttons rather than the whole program ending.
  bool failed = false;
  while (w->running && !failed) {
    const int p = pressure(*dev);
    failed = p < 0;
    bool touched = p > kPressureTouched;
    if (touched) {
      int rx = -1, ry = -1, prevX, prevY;
      // Until one axis reads the same twice: the finger has settled.
      do {
        prevX = rx;
        prevY = ry;
        rx = meanOfFive(*dev, 0x91);
        ry = meanOfFive(*dev, 0xD1);
        failed = rx < 0 || ry < 0;
      } while (!failed && rx != prevX && ry != prevY && w->running);
      if (failed) break;
      point = MapSpiReading(cal, rx, ry);
      // A touch that ended during the measurement gives no event.
      if (pressure(*dev) <= kPressureTouched) continue;
    }
    const bool repeat = touched && !delayedTouch(w) && platform::monotonicSeconds() - ev.lastEvent > kRepeatSeconds;
    if (touched != ev.touched || repeat) event(w, ev, touched, touched ? point : ev.remembered);
    platform::sleepMs(1);
  }
  w->touchHeld = 0;
  platform::sysLog(kInfo, "Spi operations end\n");
}

namespace {

// The board's panel through libusb.
class BoardUsbTouch : public UsbTouchLink {
 public:
  bool open() override {
    panel_ = platform::UsbTouchPanel::open(kUsbVendor, kUsbProduct);
    if (!panel_) return false;
    platform::sysLog(kInfo, "0eef:c000 Device Opened\n");
    if (panel_->kernelDriverActive(0)) {
      platform::sysLog(kInfo, "Kernel Driver Active\n");
      if (panel_->detachKernelDriver(0)) platform::sysLog(kInfo, "Kernel Driver Detached\n");
    }
    if (!panel_->claimInterface(0)) {
      platform::sysLog(kErr, "Cannot claim Interface\n");
      panel_.reset();
      return false;
    }
    platform::sysLog(kInfo, "Interface claimed\n");
    return true;
  }
  Read read(uint8_t* data, int length, int& got, unsigned timeoutMs) override {
    switch (panel_->readInterrupt(kUsbEndpoint, data, length, got, timeoutMs)) {
      case platform::UsbTouchPanel::Read::Ok:
        return Read::Ok;
      case platform::UsbTouchPanel::Read::Timeout:
        return Read::Timeout;
      default:
        return Read::Error;
    }
  }
  void close() override { panel_.reset(); }

 private:
  std::unique_ptr<platform::UsbTouchPanel> panel_;
};

bool openWithRetry(Works* w, UsbTouchLink& link) {
  while (w->running) {
    if (link.open()) return true;
    platform::sysLog(kErr, "Cannot open 0eef:c000 Device\n");
    platform::sleepWhileRunning(kUsbTouchOpenRetryMs, w->running);
  }
  return false;
}

// Reports of one opened panel until a read fails (false) or `running` falls.
bool readReports(Works* w, UsbTouchLink& link) {
  using Read = UsbTouchLink::Read;
  uint8_t report[2 + 255 * 10];
  int got = 0;
  Read r;
  // What the panel queued before the reader came.
  while ((r = link.read(report, 10, got, 1000)) == Read::Ok && got > 0 && report[0] != 0) {
  }
  if (r == Read::Error) return false;
  TouchEvents ev;
  while (w->running) {
    // A bounded wait, so the thread sees `running` fall.
    r = link.read(report, 2, got, 500);
    if (r == Read::Error) return false;
    if (r != Read::Ok || got < 2) continue;
    const int bytes = report[1] * 10;
    if (bytes < 10) continue;
    r = link.read(report + 2, bytes, got, 500);
    if (r == Read::Error) return false;
    if (r != Read::Ok || got < 10) continue;
    const uint8_t* rep = report + 2;
    const bool touched = rep[2] != 0;
    const TouchPoint point = MapUsbReading(rep[4] | (rep[5] << 8), rep[6] | (rep[7] << 8));
    if (touched == ev.touched) continue;
    event(w, ev, touched, touched ? point : ev.remembered);
  }
  return true;
}

}  // namespace

void ReadUsbTouch(Works* w, UsbTouchLink& link) {
  // A failed read (the panel unplugged, a bus error) fails at once on every
  // later read: the reader lets the soft button go, closes the panel and
  // opens it again after a pause, instead of spinning on the error.
  while (openWithRetry(w, link)) {
    ReadCalibration();  // logged; this panel reports in its own scale
    platform::sysLog(kInfo, "Continuous loop started, please end using Control C\n");
    const bool ended = readReports(w, link);
    w->touchHeld = 0;
    link.close();
    if (ended) break;
    platform::sysLog(kErr, "0eef:c000 Device read error: reopening\n");
    platform::sleepWhileRunning(kUsbTouchErrorPauseMs, w->running);
  }
}

void touch(Works* w) {
  platform::sysLog(kInfo, "Touch Operations init\n");
  int err = 0;
  if (!platform::UsbTouchPanel::initLibrary(err)) {
    platform::sysLog(kErr, "Init Error %d\n", err);
    endProcess(1);
  }
  BoardUsbTouch link;
  ReadUsbTouch(w, link);
  w->touchHeld = 0;
  platform::sysLog(kInfo, "Touch operations end\n");
}
