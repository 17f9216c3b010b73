// The tune-on-transmit handshake with the companion transceiver end to end:
// the link, timer and external IO threads against the simulated amplifier and
// the simulated companion, each over a pseudo-terminal. The companion's carrier
// reaches the amplifier as it would through the coax.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>

#include "amp/errors.h"
#include "antenna_model.h"
#include "companion_sim.h"
#include "links/ext_io.h"
#include "road_fixture.h"
#include "state/setup_record.h"
#include "state/tune_fields.h"
#include "tables/table_io.h"
#include "tune/autotune_control.h"
#include "ui/menu.h"
#include "ui/menu_rows.h"
#include "wait_until.h"

namespace {

using road::FrequencyRoad;

class TuneHandshake : public FrequencyRoad {
 protected:
  void SetUp() override {
    FrequencyRoad::SetUp();
    w_->AutoTuneMode = kAtmEnabled;
    w_->atuBypass = 0;
    amp_.setAntennaLoad(0, *sim::LoadModel::Fixed(100, -30));
    companion_.setFrequency(14070000);
  }
  void TearDown() override {
    coupled_ = false;
    if (coax_.joinable()) coax_.join();
    FrequencyRoad::TearDown();
    companion_.stop();
  }
  // The companion on the external IO port, after the amplifier's counter has
  // been read with the bench's carrier; from then on the amplifier transmits
  // exactly when the companion does.
  void start() {
    startThreads();
    ASSERT_TRUE(settle(14070000));
    startCompanionLink(companion_);
    coupled_ = true;
    coax_ = std::thread([this] {
      while (coupled_) {
        amp_.setTransmit(companion_.transmitting());
        platform::sleepMs(2);
      }
    });
    ASSERT_TRUE(waitUntil([&] { return w_->extTx == 0 && companion_.parameterMessages() > 2; }, 5000));
  }
  bool sentToCompanion(const std::string& cmd) {
    const auto c = companion_.commands();
    return std::find(c.begin(), c.end(), cmd) != c.end();
  }
  bool stored() { return std::ifstream(host(tables::tuneMemPath(w_->NumBanco, 0))).good(); }

  sim::CompanionSim companion_;
  std::atomic<bool> coupled_{false};
  std::thread coax_;
};

TEST_F(TuneHandshake, CarrierFromTheTransceiverStartsATuneAndItsEndSendsItToReceive) {
  start();
  companion_.setTransmit(true);
  // The timer starts the tune, then marks it as the handshake's own.
  ASSERT_TRUE(waitUntil([&] { return (w_->AutoTuneMode & kAtmStarted) != 0; }, 3000));
  ASSERT_TRUE(waitUntil([&] { return w_->tunerRunning == 0; }, 30000));
  // The end of the tune puts the transceiver back to receive.
  ASSERT_TRUE(waitUntil([&] { return sentToCompanion("RX;"); }, 3000));
  EXPECT_TRUE(waitUntil([&] { return !companion_.transmitting(); }, 1000));
  EXPECT_TRUE(stored());
  // About ten ticks later the handshake is ready for the next carrier.
  EXPECT_TRUE(waitUntil([&] { return w_->AutoTuneMode == kAtmEnabled; }, 3000)) << int(w_->AutoTuneMode);
}

TEST_F(TuneHandshake, TuneKeyAsksTheTransceiverForACarrier) {
  start();
  GoTune(w_.get());
  EXPECT_TRUE(w_->AutoTuneMode & kAtmKeyStarted);
  ASSERT_TRUE(waitUntil([&] { return sentToCompanion("TX2;"); }, 3000));
  EXPECT_TRUE(sentToCompanion("TU120;"));
  ASSERT_TRUE(waitUntil([&] { return w_->extTx == 1; }, 3000));
  ASSERT_TRUE(waitUntil([&] { return w_->tunerRunning == 0; }, 30000));
  ASSERT_TRUE(waitUntil([&] { return !companion_.transmitting(); }, 3000));
  EXPECT_TRUE(stored());
  EXPECT_EQ(ExistError(w_.get(), kErrTuneAbort), 0);
}

TEST_F(TuneHandshake, ASilentTransceiverEndsTheKeyTuneWithError14) {
  start();
  companion_.setSilent(true);
  GoTune(w_.get());
  ASSERT_TRUE(waitUntil([&] { return w_->tunerRunning == 0; }, 15000));
  EXPECT_EQ(ExistError(w_.get(), kErrTuneAbort), 1);
  EXPECT_FALSE(w_->AutoTuneMode & (kAtmKeyStarted | kAtmReadyAcked));
  EXPECT_FALSE(stored());
}

// "Enable VYR Tune" switched off in the middle of a key-started tune ends the
// tune and still sends the companion back to receive.
TEST_F(TuneHandshake, SwitchingTuneOffMidTuneSendsTheTransceiverToReceive) {
  start();
  GoTune(w_.get());
  ASSERT_TRUE(waitUntil([&] { return sentToCompanion("TX2;"); }, 3000));
  ASSERT_TRUE(waitUntil([&] { return w_->extTx == 1; }, 3000));
  w_->menuRow = kRowAutoTune;
  ModifyParameter(w_.get(), kMenuPlus);
  EXPECT_EQ(w_->AutoTuneMode & kAtmEnabled, 0);
  EXPECT_EQ(w_->tunerRunning, 0);
  ASSERT_TRUE(waitUntil([&] { return sentToCompanion("RX;"); }, 3000));
  EXPECT_TRUE(waitUntil([&] { return !companion_.transmitting(); }, 1000));
  EXPECT_FALSE(stored());
}

}  // namespace
