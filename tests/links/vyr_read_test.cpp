// The receiver thread against the simulated USB receiver in a sandbox: the
// spectrum of a simulated carrier peaks where its frequency belongs for both
// transform sizes, nothing is sent while processing is off, and a receiver
// pulled out mid-stream ends the thread through its exit step so the remote
// restart can start it again once the receiver is back.
#include "links/vyr_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "links/ext_io_spectrum.h"
#include "links/receiver_ids.h"
#include "links/remote_presence.h"
#include "platform/usb_receiver.h"
#include "state/fft_record.h"
#include "wait_until.h"
#include "works_fixture.h"

namespace {

std::mutex gMutex;
std::vector<std::vector<uint8_t>> gSpectra;

void capture(Works*, const uint8_t* data, int length) {
  std::lock_guard lock(gMutex);
  gSpectra.emplace_back(data, data + length);
}

size_t spectraSeen() {
  std::lock_guard lock(gMutex);
  return gSpectra.size();
}

class VyrReadTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    gSpectra.clear();
    SetSpectrumSink(capture);
    w_->wsConnected = 1;
    w_->Divide = 1;
    w_->setup->fftFlag = '1';
  }
  void TearDown() override {
    stop();
    SetSpectrumSink(nullptr);
    WorksTest::TearDown();
  }
  void start() {
    w_->setup->EnableFFT = '1';
    thread_ = std::thread(VYRRead, w_.get());
  }
  void stop() {
    w_->setup->EnableFFT = '0';
    if (thread_.joinable()) thread_.join();
  }
  bool ended(int timeoutMs) {
    return waitUntil([&] { return w_->setup->EnableFFT == '0'; }, timeoutMs);
  }
  std::thread thread_;
};

// The output point of a carrier `hz` from the centre: bins of fs/N, the
// centre at bin N/2, every second bin from `first` on.
double expectedPoint(double hz, int n, int first) {
  return (n / 2 + hz * n / platform::kReceiverSampleRate - first) / 2.0;
}

TEST_F(VyrReadTest, CarrierPeaksAtItsFrequencyForBothTransformSizes) {
  writeHost(platform::kReceiverFeedPath, "tone 20000 -40\ntone -50000 -70\n");
  struct Size {
    char enable1600;
    size_t points;
    int n, first;
  } sizes[] = {{'0', 854, 2048, 170}, {'1', 1706, 4096, 341}};
  for (const Size& s : sizes) {
    w_->setup->Enable1600 = s.enable1600;
    gSpectra.clear();
    start();
    ASSERT_TRUE(waitUntil([] { return spectraSeen() >= 3; }, 5000));
    stop();
    std::lock_guard lock(gMutex);
    const std::vector<uint8_t>& last = gSpectra.back();
    ASSERT_EQ(last.size(), s.points);
    const auto peak = std::max_element(last.begin(), last.end()) - last.begin();
    EXPECT_NEAR(static_cast<double>(peak), expectedPoint(20000, s.n, s.first), 1.0) << s.n;
    // -40 dBm less the window's coherent gain (-2.9 dB) and up to 1 dB of
    // scalloping, on the scale where 0 dB is 192.
    EXPECT_NEAR(last[static_cast<size_t>(peak)], 192 - 43, 2) << s.n;
    const auto weak = static_cast<size_t>(std::lround(expectedPoint(-50000, s.n, s.first)));
    EXPECT_NEAR(*std::max_element(last.begin() + weak - 1, last.begin() + weak + 2), 192 - 73, 2) << s.n;
    // Away from both carriers the window keeps the floor far down.
    EXPECT_LT(last[s.points / 4], 192 - 120) << s.n;
  }
}

TEST_F(VyrReadTest, NothingIsSentWhileProcessingIsOffOrNoPeerIsConnected) {
  writeHost(platform::kReceiverFeedPath, "tone 1000 -20\n");
  w_->setup->fftFlag = '0';
  start();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(spectraSeen(), 0u);
  w_->setup->fftFlag = '1';
  w_->wsConnected = 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(spectraSeen(), 0u);
  w_->wsConnected = 1;
  EXPECT_TRUE(waitUntil([] { return spectraSeen() >= 1; }, 2000));
  EXPECT_EQ(w_->setup->EnableFFT, '1');  // the stream kept going throughout
}

TEST_F(VyrReadTest, UnpluggedReceiverEndsTheThreadAndStreamsAgainOncePluggedBack) {
  writeHost(platform::kReceiverFeedPath, "tone 5000 -30\n");
  start();
  ASSERT_TRUE(waitUntil([] { return spectraSeen() >= 2; }, 5000));
  writeHost(platform::kReceiverFeedPath, "unplugged\n");
  ASSERT_TRUE(ended(3000));
  thread_.join();
  EXPECT_EQ(w_->remoteActive, 1);  // the remote restart will try again

  // Still unplugged: a new start ends at once, finding no receiver.
  start();
  ASSERT_TRUE(ended(3000));
  thread_.join();

  writeHost(platform::kReceiverFeedPath, "tone 5000 -30\n");
  const size_t before = spectraSeen();
  start();
  EXPECT_TRUE(waitUntil([&] { return spectraSeen() >= before + 2; }, 5000));
}

TEST(ReceiverIds, HexKeysOverrideTheDefaultsAndBadValuesAreIgnored) {
  const ReceiverIds ids = ParseReceiverIds("vendor=1234\nproduct = 00aB\r\nrefused=0001,FFFF\n");
  EXPECT_EQ(ids.vendor, 0x1234);
  EXPECT_EQ(ids.product, 0x00AB);
  ASSERT_EQ(ids.refused.size(), 2u);
  EXPECT_EQ(ids.refused[1].product, 0xFFFF);

  const ReceiverIds bad = ParseReceiverIds("vendor=12345\nproduct=xyz\nrefused=0001,zz\nnoise\n");
  const ReceiverIds defaults;
  EXPECT_EQ(bad.vendor, defaults.vendor);
  EXPECT_EQ(bad.product, defaults.product);
  EXPECT_EQ(bad.refused.size(), defaults.refused.size());
}

class RemotePresenceTest : public WorksTest {};

TEST_F(RemotePresenceTest, NamesTheFirstMissingPieceAndCountsTheCodec) {
  writeHost(platform::kReceiverFeedPath, "unplugged\n");
  EXPECT_EQ(Find_Remote_Settings(w_.get()), 1);
  writeHost(platform::kReceiverFeedPath, "");
  EXPECT_EQ(Find_Remote_Settings(w_.get()), 2);  // no CAT port in the sandbox
  EXPECT_EQ(w_->catFD, 0);

  EXPECT_EQ(Get_AudioVYR(w_.get()), 1);
  EXPECT_EQ(VerifyAudioVYR(w_.get()), 1);
  writeHost("/run/sim/lsusb", "Bus 001 Device 001: ID 1d6b:0002 Linux Foundation 2.0 root hub\n");
  EXPECT_EQ(Get_AudioVYR(w_.get()), 0);
  EXPECT_EQ(VerifyAudioVYR(w_.get()), 0);
}

}  // namespace

namespace {

class StoredSpectrumTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    record_ = FftRecord{display_.data(), spare_.data()};
    w_->fftRec = &record_;
  }
  float stored(int i) const { return std::bit_cast<float>(display_[static_cast<size_t>(i)].load()); }
  std::vector<std::atomic<int32_t>> display_ = std::vector<std::atomic<int32_t>>(kFftBins);
  std::vector<std::atomic<int32_t>> spare_ = std::vector<std::atomic<int32_t>>(kFftBins);
  FftRecord record_{};
};

// The peer shows a carrier at point 600 of its 854; the receiving unit must
// show it there too, and a carrier of the finer spectrum at its own place.
TEST_F(StoredSpectrumTest, CarriersStayWhereThePeerShowsThem) {
  std::vector<uint8_t> window(854, 100);
  window[600] = 180;
  storeFFT(w_.get(), 854, window.data());
  EXPECT_EQ(stored(600), 180 - 192);
  EXPECT_EQ(stored(853), 100 - 192);

  std::vector<uint8_t> fine(1706, 90);
  fine[1067] = 170;  // one point of a pair: the pair's stronger one wins
  storeFFT(w_.get(), 1706, fine.data());
  EXPECT_EQ(stored(533), 170 - 192);
  EXPECT_EQ(stored(532), 90 - 192);
  EXPECT_EQ(stored(852), 90 - 192);
  EXPECT_EQ(stored(853), 90 - 192);  // 853 pairs; the last point repeats, never a 0 dB edge

  std::vector<uint8_t> other(1024, 50);
  other[85] = 60;
  storeFFT(w_.get(), 1024, other.data());
  EXPECT_EQ(stored(0), 60 - 192);
}

}  // namespace
