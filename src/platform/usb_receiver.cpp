#include "platform/usb_receiver.h"

#include <libusb.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>
#include <thread>

#include "platform/clock.h"
#include "platform/paths.h"

namespace platform {

namespace {

constexpr uint8_t kEndpointIn = 0x86;
constexpr unsigned kTransferTimeoutMs = 2000;
constexpr int kSamplesPerTransfer = kReceiverTransferBytes / 8;
// Full scale of the receiver's integers in the program's float units, the
// receiver's LP filter off: 10^((21.4 - global offset) / 20).
const double kSimFullScale = std::pow(10.0, (21.4 - kSimGlobalOffset) / 20.0);

struct SimFeed {
  bool unplugged = false;
  std::vector<std::pair<double, double>> tones;  // Hz from the centre, amplitude
  double noise = 0.0;                             // RMS amplitude per sample
};

double amplitudeOf(double dbm) { return std::pow(10.0, dbm / 20.0); }

SimFeed readFeed() {
  SimFeed feed;
  std::ifstream in(hostPath(kReceiverFeedPath));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string what;
    double a = 0, b = 0;
    words >> what;
    if (what == "unplugged") feed.unplugged = true;
    if (what == "tone" && words >> a >> b) feed.tones.emplace_back(a, amplitudeOf(b));
    if (what == "noise" && words >> a) feed.noise = amplitudeOf(a);
  }
  return feed;
}

void putLe32(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t toInteger(double value) {
  const double v = std::round(value / kSimFullScale * 2147483648.0);
  return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

UsbStatus statusOf(libusb_transfer_status s) {
  switch (s) {
    case LIBUSB_TRANSFER_COMPLETED:
      return UsbStatus::Completed;
    case LIBUSB_TRANSFER_TIMED_OUT:
      return UsbStatus::TimedOut;
    case LIBUSB_TRANSFER_CANCELLED:
      return UsbStatus::Cancelled;
    case LIBUSB_TRANSFER_STALL:
      return UsbStatus::Stall;
    case LIBUSB_TRANSFER_NO_DEVICE:
      return UsbStatus::NoDevice;
    case LIBUSB_TRANSFER_OVERFLOW:
      return UsbStatus::Overflow;
    default:
      return UsbStatus::Error;
  }
}

}  // namespace

struct UsbReceiver::Impl {
  libusb_device_handle* handle = nullptr;  // nullptr: the simulated receiver
  bool claimed = false;
  Completion completion;
  std::array<std::vector<uint8_t>, kReceiverTransfers> buffers;
  std::array<libusb_transfer*, kReceiverTransfers> transfers{};
  std::array<bool, kReceiverTransfers> inFlight{};

  // The simulated stream.
  std::deque<int> queue;
  int64_t firstDueUs = 0;
  uint64_t transfersDone = 0;
  uint64_t sampleIndex = 0;
  std::mt19937 rng{12345};

  static void onTransfer(libusb_transfer* t) {
    auto* self = static_cast<Impl*>(t->user_data);
    int slot = 0;
    while (slot < kReceiverTransfers && self->transfers[slot] != t) ++slot;
    self->inFlight[slot] = false;
    self->completion(slot, statusOf(t->status), t->buffer, t->actual_length);
  }

  int64_t dueUs() const {
    return firstDueUs + static_cast<int64_t>(static_cast<double>(transfersDone + 1) * kSamplesPerTransfer * 1e6 /
                                             kReceiverSampleRate);
  }

  void fillSamples(std::vector<uint8_t>& buf, const SimFeed& feed) {
    std::normal_distribution<double> gauss(0.0, feed.noise / std::numbers::sqrt2);
    for (int i = 0; i < kSamplesPerTransfer; ++i, ++sampleIndex) {
      double re = 0, im = 0;
      const double t = static_cast<double>(sampleIndex) / kReceiverSampleRate;
      for (const auto& [hz, amplitude] : feed.tones) {
        const double phase = 2.0 * std::numbers::pi * std::fmod(hz * t, 1.0);
        re += amplitude * std::cos(phase);
        im += amplitude * std::sin(phase);
      }
      if (feed.noise > 0) {
        re += gauss(rng);
        im += gauss(rng);
      }
      putLe32(&buf[static_cast<size_t>(i) * 8], toInteger(re));
      putLe32(&buf[static_cast<size_t>(i) * 8 + 4], toInteger(im));
    }
  }

  int simEvents(int timeoutMs) {
    if (queue.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
      return 0;
    }
    const SimFeed feed = readFeed();
    if (feed.unplugged) {
      // Every transfer in flight ends at once, as when the cable is pulled.
      while (!queue.empty()) {
        const int slot = queue.front();
        queue.pop_front();
        inFlight[slot] = false;
        completion(slot, UsbStatus::NoDevice, buffers[slot].data(), 0);
      }
      return 0;
    }
    const int64_t now = monotonicUs();
    int64_t due = dueUs();
    if (due < now - 1000000) {  // stalled for a second: resume from now
      firstDueUs = now;
      transfersDone = 0;
      due = dueUs();
    }
    if (due - now > static_cast<int64_t>(timeoutMs) * 1000) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
      return 0;
    }
    if (due > now) std::this_thread::sleep_for(std::chrono::microseconds(due - now));
    const int slot = queue.front();
    queue.pop_front();
    ++transfersDone;
    fillSamples(buffers[slot], feed);
    inFlight[slot] = false;
    completion(slot, UsbStatus::Completed, buffers[slot].data(), kReceiverTransferBytes);
    return 0;
  }

  int simControl(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) {
    if (readFeed().unplugged) return LIBUSB_ERROR_NO_DEVICE;
    std::vector<uint8_t> reply;
    auto putFloat = [&](float f) {
      uint32_t u;
      std::memcpy(&u, &f, 4);
      for (int i = 0; i < 4; ++i) reply.push_back(static_cast<uint8_t>(u >> (8 * i)));
    };
    if (request == 0xFF) {
      reply = {1, 0};
    } else if (request == 0xA2 && index == 0x0151) {
      switch (value) {
        case 0x404C:
          reply = {2, 1};
          break;
        case 0x4000:
          reply.assign(32, 0);
          std::memcpy(reply.data(), "SIM-RX-0001", 11);
          break;
        case 0x4028:
          putFloat(kSimGlobalOffset);
          break;
        case 0x402C:
          putFloat(kSimLpOffset);
          break;
        case 0x4030:
          putFloat(kSimAttOffset);
          break;
        default:
          return LIBUSB_ERROR_PIPE;
      }
    } else if (request == 0xE1) {
      reply = {static_cast<uint8_t>(value == 1 && index == 0xE900 ? 0xE9 : 0)};
    } else {
      return LIBUSB_ERROR_PIPE;
    }
    const size_t n = std::min<size_t>(reply.size(), length);
    std::memcpy(data, reply.data(), n);
    return static_cast<int>(n);
  }
};

UsbReceiver::UsbReceiver(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

bool UsbReceiver::initLibrary(int& err) {
  if (sandboxed()) return true;
  err = libusb_init(nullptr);
  if (err < 0) return false;
  libusb_set_option(nullptr, LIBUSB_OPTION_LOG_LEVEL, 3);
  return true;
}

bool UsbReceiver::listDevices(std::vector<UsbDeviceId>& devices) {
  devices.clear();
  if (sandboxed()) {
    devices.push_back({0x1D6B, 0x0002});  // the root hub comes first on any bus
    if (!readFeed().unplugged) devices.push_back({kSimReceiverVendor, kSimReceiverProduct});
    return true;
  }
  libusb_device** list = nullptr;
  const ssize_t n = libusb_get_device_list(nullptr, &list);
  if (n < 0) return false;
  for (ssize_t i = 0; i < n; ++i) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(list[i], &d) < 0) d = {};
    devices.push_back({d.idVendor, d.idProduct});
  }
  libusb_free_device_list(list, 1);
  return true;
}

std::unique_ptr<UsbReceiver> UsbReceiver::open(size_t index) {
  auto impl = std::make_unique<Impl>();
  if (sandboxed()) {
    if (index != 1 || readFeed().unplugged) return nullptr;
    return std::unique_ptr<UsbReceiver>(new UsbReceiver(std::move(impl)));
  }
  libusb_device** list = nullptr;
  const ssize_t n = libusb_get_device_list(nullptr, &list);
  if (n < 0) return nullptr;
  const bool opened = static_cast<ssize_t>(index) < n && libusb_open(list[index], &impl->handle) == 0;
  libusb_free_device_list(list, 1);
  if (!opened) return nullptr;
  return std::unique_ptr<UsbReceiver>(new UsbReceiver(std::move(impl)));
}

UsbReceiver::~UsbReceiver() {
  Impl& m = *impl_;
  if (m.handle) {
    for (int i = 0; i < kReceiverTransfers; ++i)
      if (m.inFlight[i]) libusb_cancel_transfer(m.transfers[i]);
    // A cancelled transfer still completes through its callback: wait for
    // every one before the buffers it writes into are freed.
    const int64_t deadline = monotonicMs() + 3000;
    auto busy = [&] { return m.inFlight[0] || m.inFlight[1] || m.inFlight[2] || m.inFlight[3]; };
    while (busy() && monotonicMs() < deadline) {
      timeval tv{0, 100000};
      libusb_handle_events_timeout(nullptr, &tv);
    }
    if (busy()) {
      // libusb still owns a transfer: keep its buffer and the device for
      // good rather than let a late completion write into freed memory.
      static_cast<void>(impl_.release());
      return;
    }
    for (libusb_transfer* t : m.transfers)
      if (t) libusb_free_transfer(t);
    if (m.claimed) libusb_release_interface(m.handle, 0);
    libusb_close(m.handle);
  }
}

bool UsbReceiver::kernelDriverActive(int interface) {
  return impl_->handle && libusb_kernel_driver_active(impl_->handle, interface) == 1;
}
bool UsbReceiver::detachKernelDriver(int interface) {
  return !impl_->handle || libusb_detach_kernel_driver(impl_->handle, interface) == 0;
}
bool UsbReceiver::claimInterface(int interface) {
  if (impl_->handle && libusb_claim_interface(impl_->handle, interface) != 0) return false;
  impl_->claimed = true;
  return true;
}

int UsbReceiver::controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length) {
  if (!impl_->handle) return impl_->simControl(request, value, index, data, length);
  return libusb_control_transfer(impl_->handle, 0xC0, request, value, index, data, length, 0);
}

bool UsbReceiver::allocTransfers(Completion completion) {
  Impl& m = *impl_;
  m.completion = std::move(completion);
  for (int i = 0; i < kReceiverTransfers; ++i) {
    m.buffers[i].assign(kReceiverTransferBytes, 0);
    if (!m.handle) continue;
    m.transfers[i] = libusb_alloc_transfer(0);
    if (!m.transfers[i]) return false;
    libusb_fill_bulk_transfer(m.transfers[i], m.handle, kEndpointIn, m.buffers[i].data(), kReceiverTransferBytes,
                              &Impl::onTransfer, &m, kTransferTimeoutMs);
  }
  return true;
}

int UsbReceiver::submit(int slot) {
  Impl& m = *impl_;
  if (slot < 0 || slot >= kReceiverTransfers) return LIBUSB_ERROR_INVALID_PARAM;
  if (!m.handle) {
    if (readFeed().unplugged) return LIBUSB_ERROR_NO_DEVICE;
    if (m.inFlight[slot]) return LIBUSB_ERROR_BUSY;  // as libusb answers a second submit
    if (m.firstDueUs == 0) m.firstDueUs = monotonicUs();
    m.queue.push_back(slot);
    m.inFlight[slot] = true;
    return 0;
  }
  const int r = libusb_submit_transfer(m.transfers[slot]);
  if (r == 0) m.inFlight[slot] = true;
  return r;
}

int UsbReceiver::handleEvents(int timeoutMs) {
  if (!impl_->handle) return impl_->simEvents(timeoutMs);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return libusb_handle_events_timeout_completed(nullptr, &tv, nullptr);
}

const char* usbErrorName(int code) { return libusb_error_name(code); }

}  // namespace platform
