// The frequency road for the interface types that follow a transceiver: the
// simulated companion on the external IO port (type 1) and the simulated
// FT-817 on its CAT port (type 2), each over a pseudo-terminal, with the
// link, timer and transceiver threads of the program. Turning the
// transceiver's dial puts the frequency, filter, thresholds, antenna, tuner
// setting and attenuation on the amplifier's wire, in that order.
#include "road_fixture.h"

#include "companion_sim.h"
#include "ft817_sim.h"
#include "links/cat_serial.h"
#include "links/ext_io.h"
#include "state/setup_record.h"
#include "wait_until.h"

namespace {

using road::FrequencyRoad;
using road::startsWith;
using road::Texts;

class TransceiverRoad : public FrequencyRoad {
 protected:
  void TearDown() override {
    FrequencyRoad::TearDown();
    companion_.stop();
    ft817_.stop();
  }
  void startCompanion() {
    startCompanionLink(companion_);
  }
  void startFt817() {
    ASSERT_TRUE(ft817_.linkSlaveTo(host("/dev/ttyUSB2")));
    std::strcpy(w_.setup->CatSerialPort, "/dev/ttyUSB2");
    w_.setup->enaCatSer = '1';
    w_->ModeWorkIdx = 2;
    ft817_.start();
    source_ = std::thread(CatSerial, w_.get());
  }
  // The road after a dial turn to 7.050 MHz, from the wire.
  void expectRoadTo7050(size_t from) {
    ASSERT_TRUE(waitSent(from, "AT"));
    ASSERT_TRUE(settle(7050000));
    const Texts sent = sentSince(from);
    const std::vector<const char*> order = {"FA", "SF", "TS", "SA", "MT1", "AT"};
    ASSERT_EQ(sent.size(), order.size()) << ::testing::PrintToString(sent);
    for (size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(startsWith(sent[i], order[i])) << sent[i];
    EXPECT_EQ(sent[0], "FA00007050000;");
    EXPECT_EQ(sent[1], "SF3000004;");
    EXPECT_EQ(sent[3], "SA2;");
    EXPECT_EQ(sent[4], storedTuneText());
    EXPECT_EQ(amp_.model().setFreq, 7050000u);
    EXPECT_EQ(amp_.model().antenna, 1);
  }

  sim::CompanionSim companion_;
  sim::Ft817Sim ft817_;
};

TEST_F(TransceiverRoad, CompanionDialRunsTheRoad) {
  startCompanion();
  startThreads();
  // As for the FT-817 below: the first road must have begun before settling.
  ASSERT_TRUE(waitSent(0, "FA00014070000;"));
  ASSERT_TRUE(settle(14070000));
  const size_t from = amp_.texts().size();
  companion_.setFrequency(7050000);
  expectRoadTo7050(from);

  // The transmit flag reaches the timer loop.
  EXPECT_EQ(w_->extTx, 0);
  companion_.setTransmit(true);
  EXPECT_TRUE(waitUntil([&] { return w_->extTx == 1; }, 3000));
  companion_.setTransmit(false);
  EXPECT_TRUE(waitUntil([&] { return w_->extTx == 0; }, 3000));
}

TEST_F(TransceiverRoad, Ft817DialRunsTheRoad) {
  startFt817();
  startThreads();
  // The link takes the first frequency a tick before the timer runs its road;
  // settle only once that road has begun, or it lands after `from`.
  ASSERT_TRUE(waitSent(0, "FA00014070000;"));
  ASSERT_TRUE(settle(14070000));
  const size_t from = amp_.texts().size();
  ft817_.setFrequency(7050000);
  expectRoadTo7050(from);
}

// A dial spun through 20 m for 2.5 s, then a jump to 40 m: the amplifier
// ends on the 40 m filter, thresholds, antenna, tuner word and attenuation,
// whatever was asked for on the way.
TEST_F(TransceiverRoad, Ft817DialSpunThenBandJumpEndsOnTheNewBand) {
  startFt817();
  startThreads();
  ASSERT_TRUE(waitSent(0, "FA00014070000;"));
  ASSERT_TRUE(settle(14070000));
  const int64_t end = platform::monotonicMs() + 2500;
  for (uint32_t f = 14000000; platform::monotonicMs() < end; f = f >= 14340000 ? 14000000 : f + 5000) {
    ft817_.setFrequency(f);
    platform::sleepMs(10);
  }
  ft817_.setFrequency(7050000);
  ASSERT_TRUE(settle(7050000));
  const sim::AmpModel m = amp_.model();
  EXPECT_EQ(m.setFreq, 7050000u);
  EXPECT_EQ(m.filterMask, 0x04);
  EXPECT_EQ(m.antenna, 1);
  EXPECT_EQ(m.attenuator, 2);
  const int wanted[4] = {w_->sogliaPWIN, w_->sogliaFWD, w_->sogliaREFL, w_->sogliaCorrente};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m.thresholds[i], wanted[i]) << i;
  char word[16];
  std::snprintf(word, sizeof word, "MT1%08X;", m.tuneWord);
  EXPECT_EQ(word, storedTuneText());
  EXPECT_LE(w_->cmdPath.highWater(), 12);
}

// A transceiver that falls silent leaves the amplifier where it was; when it
// is heard again on another band the road runs from there.
TEST_F(TransceiverRoad, SilentCompanionLeavesTheAmplifierAlone) {
  startCompanion();
  startThreads();
  ASSERT_TRUE(settle(14070000));
  companion_.setSilent(true);
  platform::sleepMs(2000);
  const size_t from = amp_.texts().size();
  platform::sleepMs(500);
  EXPECT_EQ(sentSince(from), Texts{});
  companion_.setFrequency(7050000);
  companion_.setSilent(false);
  expectRoadTo7050(from);
}

}  // namespace
