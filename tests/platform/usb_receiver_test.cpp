// The sandbox's simulated USB receiver: it must answer and stream as the
// device does, since the spectrum tests and the bench measure through it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "platform/usb_receiver.h"
#include "sandbox_fixture.h"

namespace {

using platform::UsbReceiver;
using platform::UsbStatus;

int32_t Le32(const uint8_t* b) {
  return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24);
}

float FloatAt(const uint8_t* b) {
  const uint32_t u = static_cast<uint32_t>(Le32(b));
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

class SimUsbReceiver : public SandboxTest {
 protected:
  struct Done {
    int slot;
    UsbStatus status;
    int length;
    std::vector<uint8_t> bytes;
  };

  void SetUp() override {
    SandboxTest::SetUp();
    std::vector<platform::UsbDeviceId> list;
    ASSERT_TRUE(UsbReceiver::listDevices(list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].vendor, platform::kSimReceiverVendor);
    EXPECT_EQ(list[1].product, platform::kSimReceiverProduct);
    rx_ = UsbReceiver::open(1);
    ASSERT_TRUE(rx_);
    ASSERT_TRUE(rx_->allocTransfers([this](int slot, UsbStatus st, const uint8_t* data, int len) {
      done_.push_back({slot, st, len, std::vector<uint8_t>(data, data + len)});
    }));
  }

  std::unique_ptr<UsbReceiver> rx_;
  std::vector<Done> done_;
};

TEST_F(SimUsbReceiver, ControlRepliesAsTheDevice) {
  uint8_t b[32] = {};
  EXPECT_EQ(rx_->controlIn(0xA2, 0x4000, 0x0151, b, 32), 32);
  EXPECT_STREQ(reinterpret_cast<char*>(b), "SIM-RX-0001");
  ASSERT_EQ(rx_->controlIn(0xA2, 0x4028, 0x0151, b, 4), 4);
  EXPECT_FLOAT_EQ(FloatAt(b), platform::kSimGlobalOffset);
  ASSERT_EQ(rx_->controlIn(0xA2, 0x4030, 0x0151, b, 4), 4);
  EXPECT_FLOAT_EQ(FloatAt(b), platform::kSimAttOffset);
  ASSERT_EQ(rx_->controlIn(0xE1, 1, 0xE900, b, 1), 1);
  EXPECT_EQ(b[0], 0xE9);
  EXPECT_LT(rx_->controlIn(0xA2, 0x4028, 0x0999, b, 4), 0) << "unknown index";
  writeHost(platform::kReceiverFeedPath, "unplugged\n");
  EXPECT_LT(rx_->controlIn(0xFF, 0, 0, b, 2), 0) << "answered while unplugged";
}

// A tone's phase runs on across transfers, so a transform over any stretch
// sees one clean carrier, and a slot already in flight is refused as libusb
// refuses a transfer submitted twice.
TEST_F(SimUsbReceiver, StreamIsPhaseContinuousAcrossTransfers) {
  writeHost(platform::kReceiverFeedPath, "tone 3000 0\n");
  ASSERT_EQ(rx_->submit(0), 0);
  ASSERT_EQ(rx_->submit(1), 0);
  EXPECT_NE(rx_->submit(1), 0) << "a transfer in flight was queued again";
  while (done_.size() < 2) ASSERT_EQ(rx_->handleEvents(100), 0);
  ASSERT_EQ(done_.size(), 2u);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(done_[k].slot, k);
    EXPECT_EQ(done_[k].status, UsbStatus::Completed);
    ASSERT_EQ(done_[k].length, platform::kReceiverTransferBytes);
  }
  // 0 dBm is a float amplitude of 1 after the program's scaling.
  const double amp = 2147483648.0 / std::pow(10.0, (21.4 - platform::kSimGlobalOffset) / 20);
  for (int n : {0, 1, 4095, 4096, 8191}) {
    const Done& d = done_[n / 4096];
    const uint8_t* s = d.bytes.data() + 8 * (n % 4096);
    const double phase = 2 * std::numbers::pi * 3000.0 * n / platform::kReceiverSampleRate;
    EXPECT_NEAR(Le32(s), amp * std::cos(phase), 2) << "I of sample " << n;
    EXPECT_NEAR(Le32(s + 4), amp * std::sin(phase), 2) << "Q of sample " << n;
  }
}

TEST_F(SimUsbReceiver, UnplugEndsEveryTransferInFlightAndTheDeviceIsGone) {
  for (int i = 0; i < platform::kReceiverTransfers; ++i) ASSERT_EQ(rx_->submit(i), 0);
  writeHost(platform::kReceiverFeedPath, "unplugged\n");
  rx_->handleEvents(100);
  ASSERT_EQ(done_.size(), 4u);
  for (const Done& d : done_) {
    EXPECT_EQ(d.status, UsbStatus::NoDevice);
    EXPECT_EQ(d.length, 0);
  }
  EXPECT_NE(rx_->submit(0), 0) << "submitted to an unplugged receiver";
  std::vector<platform::UsbDeviceId> list;
  ASSERT_TRUE(UsbReceiver::listDevices(list));
  EXPECT_EQ(list.size(), 1u) << "only the root hub is left";
  EXPECT_EQ(UsbReceiver::open(1), nullptr);
}

}  // namespace
