#pragma once
// The two touch controllers: a resistive controller on the SPI bus (spidev)
// and a USB touch panel (libusb).
//
// On the board they are the real devices. In the sandbox (--root DIR) each is
// simulated here, fed by the bench through the text file DIR/run/sim/touch:
// one line "PRESSED X Y" with PRESSED 0 or 1 and the point in screen pixels.
// The simulated controllers turn the point into the raw readings their real
// counterparts would give, so the program's own conversion runs as on the
// board: the SPI controller answers its pressure, x and y commands with the
// readings of a panel whose scale is the program's fixed factors; the USB
// panel sends a report (0..4095 on each axis) whenever the touch changes.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

inline constexpr const char* kTouchFeedPath = "/run/sim/touch";

// The simulated panels' point, as the feed file holds it.
struct TouchFeed {
  bool pressed = false;
  int x = 0, y = 0;
};
// The feed file's text for a point, and back (false for anything malformed).
std::string formatTouchFeed(const TouchFeed& feed);
bool parseTouchFeed(const std::string& text, TouchFeed& feed);

class SpiDevice {
 public:
  // nullptr with `err` (errno) when the device cannot be opened.
  static std::unique_ptr<SpiDevice> open(const std::string& systemPath, int& err);
  ~SpiDevice();
  SpiDevice(const SpiDevice&) = delete;
  SpiDevice& operator=(const SpiDevice&) = delete;

  bool setMode(uint8_t mode);
  bool getMode(uint8_t& mode);
  bool setBitsPerWord(uint8_t bits);
  bool getBitsPerWord(uint8_t& bits);
  bool setMaxSpeed(uint32_t hz);
  bool getMaxSpeed(uint32_t& hz);
  // One full-duplex transfer of `length` bytes.
  bool transfer(const uint8_t* tx, uint8_t* rx, size_t length, uint32_t speedHz, uint16_t delayUs, uint8_t bits);

 private:
  explicit SpiDevice(int fd) : fd_(fd) {}
  int fd_;  // -1: the sandbox's simulated controller
  uint8_t mode_ = 0, bits_ = 8;
  uint32_t speed_ = 0;
};

class UsbTouchPanel {
 public:
  enum class Read { Ok, Timeout, Error };

  // Initialises libusb (false: `err` holds its code). Once per process.
  static bool initLibrary(int& err);
  // nullptr when no device vendor:product is present.
  static std::unique_ptr<UsbTouchPanel> open(uint16_t vendor, uint16_t product);
  ~UsbTouchPanel();
  UsbTouchPanel(const UsbTouchPanel&) = delete;
  UsbTouchPanel& operator=(const UsbTouchPanel&) = delete;

  bool kernelDriverActive(int interface);
  bool detachKernelDriver(int interface);
  bool claimInterface(int interface);
  // One interrupt read of up to `length` bytes; `got` receives the count.
  // timeoutMs 0 waits without limit.
  Read readInterrupt(uint8_t endpoint, uint8_t* data, int length, int& got, unsigned timeoutMs);

 private:
  explicit UsbTouchPanel(void* handle) : handle_(handle) {}
  void* handle_;  // libusb_device_handle, or nullptr for the simulated panel
  // The simulated panel: the report being sent, in the two steps the reader
  // takes it, and the touch last reported.
  std::string pending_;
  TouchFeed reported_;
  bool reportedAny_ = false;
};

}  // namespace platform
