#pragma once
// The companion transceiver's USB receiver: device listing, vendor control
// reads and four bulk transfers kept in flight, their completions delivered
// in the thread that handles events.
//
// On the board this is libusb. In the sandbox (--root DIR) the receiver is
// simulated here: it streams what a real one would (4096 complex samples of
// little-endian 32-bit I, Q per transfer at 192 kHz, paced on the monotonic
// clock) with tones and noise the bench sets in the text file
// DIR/run/sim/receiver, one item per line:
//   tone HZ DBM     a carrier HZ from the centre (negative below it)
//   noise DBM       Gaussian noise of that power per sample
//   unplugged       the receiver is gone from the bus
// Levels are such that the program's calibrated scaling gives a carrier of
// DBM a float amplitude of 10^(DBM/20), with the receiver's LP filter off.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

inline constexpr const char* kReceiverFeedPath = "/run/sim/receiver";
inline constexpr int kReceiverSampleRate = 192000;
inline constexpr int kReceiverTransferBytes = 32768;  // 4096 complex samples
inline constexpr int kReceiverTransfers = 4;
// What the simulated receiver identifies as (the program's default ids).
inline constexpr uint16_t kSimReceiverVendor = 0x04B4, kSimReceiverProduct = 0x00F1;
// The simulated receiver's calibration offsets, in dB.
inline constexpr float kSimGlobalOffset = 3.5f, kSimLpOffset = 1.2f, kSimAttOffset = 20.0f;

struct UsbDeviceId {
  uint16_t vendor = 0, product = 0;
};

enum class UsbStatus { Completed, Error, TimedOut, Cancelled, Stall, NoDevice, Overflow };

class UsbReceiver {
 public:
  // slot 0..3, the status, and the bytes received.
  using Completion = std::function<void(int slot, UsbStatus status, const uint8_t* data, int length)>;

  // Initialises the library once per process (debug level 3); false with its code.
  static bool initLibrary(int& err);
  // The devices on the bus in order; false when the list cannot be had.
  static bool listDevices(std::vector<UsbDeviceId>& devices);
  // Opens the device at `index` of the last list; nullptr when it cannot be opened.
  static std::unique_ptr<UsbReceiver> open(size_t index);
  // Cancels the transfers still in flight and waits for each to finish before
  // the buffers go, then releases the interface and closes the device.
  ~UsbReceiver();
  UsbReceiver(const UsbReceiver&) = delete;
  UsbReceiver& operator=(const UsbReceiver&) = delete;

  bool kernelDriverActive(int interface);
  bool detachKernelDriver(int interface);
  bool claimInterface(int interface);
  // A vendor device-to-host request (type 0xC0, no time limit): the bytes
  // read, or a negative error code.
  int controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length);

  // Makes the four bulk transfers (endpoint 0x86, 32768 bytes, 2000 ms);
  // false when one cannot be allocated.
  bool allocTransfers(Completion completion);
  // Submits a transfer; 0 or a negative error code.
  int submit(int slot);
  // Waits up to timeoutMs for completions and runs them in this thread; 0 or
  // a negative error code.
  int handleEvents(int timeoutMs);

  struct Impl;

 private:
  explicit UsbReceiver(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The text of a status, as the completion log names it.
const char* usbErrorName(int code);

}  // namespace platform
