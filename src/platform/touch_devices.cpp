#include "platform/touch_devices.h"

#include <fcntl.h>
#include <libusb.h>
#include <linux/spi/spidev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>

#include "platform/files.h"
#include "platform/paths.h"

namespace platform {
namespace {

TouchFeed currentFeed() {
  TouchFeed feed;
  if (const auto text = readFile(kTouchFeedPath)) parseTouchFeed(*text, feed);
  return feed;
}

// The simulated resistive controller: pressure above the touch threshold while
// pressed, and raw positions that the fixed factors map back to the point.
int simulatedSpiValue(uint8_t command) {
  const TouchFeed f = currentFeed();
  switch (command) {
    case 0xB1:
      return f.pressed ? 400 : 0;
    case 0x91:
      return static_cast<int>(280 + f.x * 4.48 + 2);
    case 0xD1:
      return static_cast<int>(250 + (480 - f.y) * 6.66 + 3);
    default:
      return 0;
  }
}

// The reading comes back as (second byte) x 32 + (third byte >> 5).
void encodeSpiValue(int value, uint8_t* rx, size_t length) {
  value = std::clamp(value, 0, 0xFF * 32 + 7);
  if (length > 1) rx[1] = static_cast<uint8_t>(value / 32);
  if (length > 2) rx[2] = static_cast<uint8_t>(std::min(value % 32, 7) << 5);
}

std::string usbReport(const TouchFeed& f) {
  const int rx = std::clamp(f.x * 4095 / 800, 0, 4095), ry = std::clamp(f.y * 4095 / 480, 0, 4095);
  std::string r(12, '\0');
  r[0] = 1;  // one 10-byte record follows
  r[1] = 1;
  r[2 + 2] = f.pressed ? 1 : 0;
  r[2 + 4] = static_cast<char>(rx & 0xFF);
  r[2 + 5] = static_cast<char>(rx >> 8);
  r[2 + 6] = static_cast<char>(ry & 0xFF);
  r[2 + 7] = static_cast<char>(ry >> 8);
  return r;
}

}  // namespace

std::string formatTouchFeed(const TouchFeed& feed) {
  char text[48];
  std::snprintf(text, sizeof text, "%d %d %d\n", feed.pressed ? 1 : 0, feed.x, feed.y);
  return text;
}

bool parseTouchFeed(const std::string& text, TouchFeed& feed) {
  int pressed = 0, x = 0, y = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d %d %d %c", &pressed, &x, &y, &tail) != 3) return false;
  if ((pressed != 0 && pressed != 1) || x < 0 || x > 800 || y < 0 || y > 480) return false;
  feed = {pressed == 1, x, y};
  return true;
}

// ---- SPI ----

std::unique_ptr<SpiDevice> SpiDevice::open(const std::string& systemPath, int& err) {
  if (sandboxed()) return std::unique_ptr<SpiDevice>(new SpiDevice(-1));
  const int fd = ::open(hostPath(systemPath).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return nullptr;
  }
  return std::unique_ptr<SpiDevice>(new SpiDevice(fd));
}

SpiDevice::~SpiDevice() {
  if (fd_ >= 0) ::close(fd_);
}

bool SpiDevice::setMode(uint8_t mode) {
  if (fd_ < 0) return mode_ = mode, true;
  return ioctl(fd_, SPI_IOC_WR_MODE, &mode) != -1;
}
bool SpiDevice::getMode(uint8_t& mode) {
  if (fd_ < 0) return mode = mode_, true;
  return ioctl(fd_, SPI_IOC_RD_MODE, &mode) != -1;
}
bool SpiDevice::setBitsPerWord(uint8_t bits) {
  if (fd_ < 0) return bits_ = bits, true;
  return ioctl(fd_, SPI_IOC_WR_BITS_PER_WORD, &bits) != -1;
}
bool SpiDevice::getBitsPerWord(uint8_t& bits) {
  if (fd_ < 0) return bits = bits_, true;
  return ioctl(fd_, SPI_IOC_RD_BITS_PER_WORD, &bits) != -1;
}
bool SpiDevice::setMaxSpeed(uint32_t hz) {
  if (fd_ < 0) return speed_ = hz, true;
  return ioctl(fd_, SPI_IOC_WR_MAX_SPEED_HZ, &hz) != -1;
}
bool SpiDevice::getMaxSpeed(uint32_t& hz) {
  if (fd_ < 0) return hz = speed_, true;
  return ioctl(fd_, SPI_IOC_RD_MAX_SPEED_HZ, &hz) != -1;
}

bool SpiDevice::transfer(const uint8_t* tx, uint8_t* rx, size_t length, uint32_t speedHz, uint16_t delayUs,
                         uint8_t bits) {
  if (fd_ < 0) {
    std::memset(rx, 0, length);
    if (length > 0) encodeSpiValue(simulatedSpiValue(tx[0]), rx, length);
    return true;
  }
  spi_ioc_transfer tr{};
  tr.tx_buf = reinterpret_cast<uintptr_t>(tx);
  tr.rx_buf = reinterpret_cast<uintptr_t>(rx);
  tr.len = static_cast<uint32_t>(length);
  tr.delay_usecs = delayUs;
  tr.speed_hz = speedHz;
  tr.bits_per_word = bits;
  return ioctl(fd_, SPI_IOC_MESSAGE(1), &tr) >= 1;
}

// ---- USB ----

bool UsbTouchPanel::initLibrary(int& err) {
  if (sandboxed()) return true;
  err = libusb_init(nullptr);
  if (err < 0) return false;
  libusb_set_option(nullptr, LIBUSB_OPTION_LOG_LEVEL, 3);
  return true;
}

std::unique_ptr<UsbTouchPanel> UsbTouchPanel::open(uint16_t vendor, uint16_t product) {
  if (sandboxed()) return std::unique_ptr<UsbTouchPanel>(new UsbTouchPanel(nullptr));
  libusb_device_handle* h = libusb_open_device_with_vid_pid(nullptr, vendor, product);
  if (!h) return nullptr;
  return std::unique_ptr<UsbTouchPanel>(new UsbTouchPanel(h));
}

UsbTouchPanel::~UsbTouchPanel() {
  if (handle_) {
    libusb_release_interface(static_cast<libusb_device_handle*>(handle_), 0);
    libusb_close(static_cast<libusb_device_handle*>(handle_));
  }
}

bool UsbTouchPanel::kernelDriverActive(int interface) {
  return handle_ && libusb_kernel_driver_active(static_cast<libusb_device_handle*>(handle_), interface) == 1;
}
bool UsbTouchPanel::detachKernelDriver(int interface) {
  return !handle_ || libusb_detach_kernel_driver(static_cast<libusb_device_handle*>(handle_), interface) == 0;
}
bool UsbTouchPanel::claimInterface(int interface) {
  return !handle_ || libusb_claim_interface(static_cast<libusb_device_handle*>(handle_), interface) == 0;
}

UsbTouchPanel::Read UsbTouchPanel::readInterrupt(uint8_t endpoint, uint8_t* data, int length, int& got,
                                                 unsigned timeoutMs) {
  got = 0;
  if (handle_) {
    const int r = libusb_interrupt_transfer(static_cast<libusb_device_handle*>(handle_), endpoint, data, length, &got,
                                            timeoutMs);
    if (r == LIBUSB_ERROR_TIMEOUT) return Read::Timeout;
    return r == 0 ? Read::Ok : Read::Error;
  }
  // The simulated panel reports each change of the touch once.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (pending_.empty()) {
    const TouchFeed f = currentFeed();
    if (!reportedAny_ || f.pressed != reported_.pressed || (f.pressed && (f.x != reported_.x || f.y != reported_.y))) {
      if (reportedAny_ || f.pressed) pending_ = usbReport(f);
      reported_ = f;
      reportedAny_ = true;
      if (!pending_.empty()) break;
    }
    if (timeoutMs && std::chrono::steady_clock::now() >= deadline) return Read::Timeout;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  got = std::min(length, static_cast<int>(pending_.size()));
  std::memcpy(data, pending_.data(), static_cast<size_t>(got));
  pending_.erase(0, static_cast<size_t>(got));
  return Read::Ok;
}

}  // namespace platform
