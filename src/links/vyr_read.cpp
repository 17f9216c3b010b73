#include "links/vyr_read.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "amp/errors.h"
#include "links/ext_io_params.h"
#include "links/receiver_ids.h"
#include "links/spectrum_countdown.h"
#include "links/spectrum_fft.h"
#include "platform/log.h"
#include "platform/usb_receiver.h"
#include "remote/ws_send.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::errPrintf;
using platform::kErr;
using platform::kInfo;
using platform::sysLog;
using platform::UsbReceiver;
using platform::UsbStatus;

namespace {

constexpr int kMaxErrors = 10;  // consecutive failed transfers the stream survives
constexpr int kSamples = 8192;  // floats per transfer

std::atomic<int> status_usb_open{0};
std::atomic<int> err_counter{0};
float globalOffset = 0, lpOffset = 0, attOffset = 0;  // written before streaming, by this thread only
std::atomic<float> recalc{0};
SpectrumCountdown divide;  // carries over between starts

void sendToPeer(Works* w, const uint8_t* data, int length) { sendWebSockSerSpectrFrame(w, data, length); }
std::atomic<SpectrumSink> gSink{sendToPeer};

// Each transfer's own context, as the completion sees it.
struct TransferContext {
  int index = 0;
  std::vector<float> out = std::vector<float>(kSamples);
  Works* works = nullptr;
};

float readFloat(const uint8_t* p) {
  const uint32_t u = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

bool readOffset(UsbReceiver& rx, uint16_t value, const char* name, float& out) {
  uint8_t b[4] = {};
  const int r = rx.controlIn(0xA2, value, 0x0151, b, 4);
  if (r != 4) {
    sysLog(kInfo, "%s failed (%d)\n", name, r);
    return false;
  }
  out = readFloat(b);
  sysLog(kInfo, "%s: %f\n", name, static_cast<double>(out));
  return true;
}

void readVersions(UsbReceiver& rx) {
  uint8_t v[2] = {};
  if (rx.controlIn(0xFF, 0, 0, v, 2) > 0)
    sysLog(kInfo, "USB Driver Version: %d.%d\n", v[0], v[1]);
  else
    sysLog(kInfo, "USB Driver Version read failed\n");
  if (rx.controlIn(0xA2, 0x404C, 0x0151, v, 2) == 2)
    sysLog(kInfo, "HW Version: %d.%d\n", v[0], v[1]);
  else
    sysLog(kInfo, "HW Version read failed\n");
}

bool readSerial(UsbReceiver& rx, char (&serial)[33]) {
  std::memset(serial, 0, sizeof serial);
  const int r = rx.controlIn(0xA2, 0x4000, 0x0151, reinterpret_cast<uint8_t*>(serial), 32);
  if (r != 32) {
    sysLog(kInfo, "Serial read failed (%d)\n", r);
    return false;
  }
  return true;
}

void fifoRequest(UsbReceiver& rx, uint16_t value, uint16_t index, const char* ok, const char* failed) {
  uint8_t b = 0;
  const int r = rx.controlIn(0xE1, value, index, &b, 1);
  if (r == 1)
    sysLog(kInfo, "%s", ok);
  else
    sysLog(kInfo, failed, r);
}

void startStream(UsbReceiver& rx) {
  fifoRequest(rx, 0, 0xE900, "Stop FIFO\n", "Stop FIFO failed (%d)\n");
  fifoRequest(rx, 0, 0xE800, "Init FIFO\n", "Init FIFO failed (%d)\n");
  uint8_t b = 0;
  const int r = rx.controlIn(0xE1, 1, 0xE900, &b, 1);
  if (r != 1 || b != 0xE9) sysLog(kInfo, "Enable SYN failed (%d %02X)\n", r, b);
  sysLog(kInfo, "SYN Enabled\n");
}

// Finds the first device of the receiver's vendor and opens it; nullptr
// (logged) when there is none or it is not one to use.
std::unique_ptr<UsbReceiver> openReceiver(const ReceiverIds& ids) {
  std::vector<platform::UsbDeviceId> devices;
  if (!UsbReceiver::listDevices(devices)) {
    sysLog(kInfo, "Get Device Error\n");
    return nullptr;
  }
  for (size_t i = 0; i < devices.size(); ++i) {
    sysLog(kInfo, "%d vid %04x pid %04x %d\n", static_cast<int>(i), devices[i].vendor, devices[i].product, 0);
    if (devices[i].vendor != ids.vendor) continue;
    auto rx = UsbReceiver::open(i);
    if (!rx) {
      sysLog(kInfo, "Cannot open KTX Device\n");
      return nullptr;
    }
    sysLog(kInfo, "KTX Device Opened\n");
    status_usb_open = 1;
    if (rx->kernelDriverActive(0)) {
      sysLog(kInfo, "Kernel Driver Active\n");
      if (rx->detachKernelDriver(0)) sysLog(kInfo, "Kernel Driver Detached\n");
    }
    if (!rx->claimInterface(0)) {
      sysLog(kInfo, "Cannot claim Interface\n");
      return nullptr;
    }
    sysLog(kInfo, "Interface claimed\n");
    readVersions(*rx);
    char serial[33];
    if (!readSerial(*rx, serial)) return nullptr;
    for (const auto& refused : ids.refused)
      if (devices[i].product == refused.product) {
        sysLog(kErr, "%s\n", refused.model);
        return nullptr;
      }
    sysLog(kInfo, "Serial: %-s\n", serial);
    sysLog(kInfo, "Device caught\n");
    sysLog(kInfo, "libusb devices list freed\n");
    return rx;
  }
  sysLog(kInfo, "Cannot find KTX Device\n");
  return nullptr;
}

void logStatus(int index, UsbStatus s) {
  static constexpr const char* kLines[] = {"", "CB result: Error %d\n", "CB result: Timedout %d\n",
                                           "CB result: Cancelled %d\n", "CB result: Stalled %d\n",
                                           "CB result: Nodevice %d\n", "CB result: Overflowed %d\n"};
  sysLog(kInfo, kLines[static_cast<int>(s)], index);
}

// Scales a completed transfer and, every `Divide` transfers, makes a spectrum.
void scaleAndCount(TransferContext& c, const uint8_t* data, int length) {
  Works* w = c.works;
  ExtIoParams p;
  getParameters(&p, w);
  const float l = p.lp >= 1 ? lpOffset : 0.0f;
  const float scale = std::pow(10.0f, (21.4f - globalOffset + l) / 20.0f);
  recalc = scale;
  const int n = ScaleSamples(data, length, scale, c.out.data(), kSamples);
  if (divide.Tick(w->Divide) && w->wsConnected == 1 && n == kSamples) fftCalc(c.out.data(), kSamples, w);
}

struct Stream {
  std::unique_ptr<UsbReceiver> rx;
  std::array<TransferContext, platform::kReceiverTransfers> contexts;
  std::atomic<bool> stop{false};
  bool failed = false;  // a resubmission failed: the thread ends at once
};

void cb_in(Stream& s, int slot, UsbStatus status, const uint8_t* data, int length) {
  TransferContext& c = s.contexts[slot];
  if (status == UsbStatus::Completed) {
    err_counter = 0;
    if (c.works->setup->fftFlag != '0') scaleAndCount(c, data, length);
  } else {
    logStatus(c.index, status);
    ++err_counter;
  }
  if (err_counter > kMaxErrors) {
    sysLog(kErr, "libusb_err_counter (%d), %s:%d\n", err_counter.load(), __FILE__, __LINE__);
    return;
  }
  if (s.stop) return;
  const int r = s.rx->submit(slot);
  if (r != 0) {
    sysLog(kErr, "libusb_submit_transfer failed (%d)  %s:%d\n", r, __FILE__, __LINE__);
    s.failed = true;
  }
}

bool submitAll(Stream& s) {
  for (int i = 0; i < platform::kReceiverTransfers; ++i) {
    const int r = s.rx->submit(i);
    if (r == 0) continue;
    if (i == platform::kReceiverTransfers - 1)
      sysLog(kInfo, "libusb_submit_transfer failed (%d), %s:%d\n", r, __FILE__, __LINE__);
    else
      sysLog(kInfo, "libusb_submit_transfer failed (%d)\n", r);
    return false;
  }
  sysLog(kInfo, "libusb_submit_transfer succedeed\n");
  sysLog(kInfo, "SYN transfer starting\n");
  return true;
}

// Opening, calibration and streaming; false on a set-up failure.
bool stream(Works* w) {
  int err = 0;
  if (!UsbReceiver::initLibrary(err)) {
    sysLog(kInfo, "Init Error %d\n", err);
    return false;
  }
  Stream s;
  s.rx = openReceiver(LoadReceiverIds());
  if (!s.rx) return false;
  if (!readOffset(*s.rx, 0x4028, "Global Offset", globalOffset) || !readOffset(*s.rx, 0x402C, "LP Offset", lpOffset) ||
      !readOffset(*s.rx, 0x4030, "ATT Offset", attOffset))
    return false;
  startStream(*s.rx);
  for (int i = 0; i < platform::kReceiverTransfers; ++i) s.contexts[i] = TransferContext{i, std::vector<float>(kSamples), w};
  if (!s.rx->allocTransfers([&s](int slot, UsbStatus st, const uint8_t* d, int n) { cb_in(s, slot, st, d, n); })) {
    sysLog(kInfo, "libusb_alloc_transfer failed\n");
    return false;
  }
  sysLog(kInfo, "libusb_alloc_transfer succedeed\n");
  if (!submitAll(s)) return false;
  int r = 0;
  while (w->setup->EnableFFT == '1' && err_counter <= kMaxErrors && !s.failed && w->running)
    if ((r = s.rx->handleEvents(500)) != 0) std::printf("%d\n", r);
  // No completion resubmits from here on; closing waits for the ones in flight.
  s.stop = true;
  sysLog(kInfo, "libusb_handle events completed (%d)\n", r);
  sysLog(kInfo, "%s Operations end\n", "VYRRead");
  s.rx.reset();
  return false;
}

}  // namespace

int ScaleSamples(const uint8_t* data, int length, float scale, float* out, int room) {
  const int n = std::min(length / 4, room);
  for (int i = 0; i < n; ++i) {
    const uint8_t* q = data + 4 * i;
    const auto v = static_cast<int32_t>(q[0] | q[1] << 8 | q[2] << 16 | static_cast<uint32_t>(q[3]) << 24);
    out[i] = static_cast<float>(v) * scale / 2147483648.0f;
  }
  return n;
}

void SetSpectrumSink(SpectrumSink sink) { gSink = sink ? sink : sendToPeer; }

void ExitVyrread(Works* w) {
  AddErrore(w, kErrRemoteUsb);
  w->setup->EnableFFT = '0';
  w->remoteActive = 1;
  status_usb_open = 0;
}

void fftCalc(const float* samples, int count, Works* w) {
  // One thread makes every spectrum: the completions run in VYRRead's thread.
  static SpectrumFft fft;
  const bool large = w->setup->Enable1600 != '0';
  const std::vector<uint8_t> out = fft.Compute(samples, static_cast<size_t>(count), large);
  if (!out.empty() && w->wsConnected == 1) gSink.load()(w, out.data(), static_cast<int>(out.size()));
}

void VYRRead(Works* w) {
  sysLog(kInfo, "Operations init orva-comms version 1.0\n");
  errPrintf("Operations init orva-comms version 1.0\n");
  status_usb_open = 0;
  err_counter = 0;
  stream(w);
  ExitVyrread(w);
}
