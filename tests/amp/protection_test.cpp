#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "amp/decode_reply.h"
#include "amp/errors.h"
#include "amp/temp_log.h"
#include "amp/temperature.h"
#include "amp_test_support.h"
#include "platform/board.h"
#include "platform/files.h"
#include "state/works.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ProtectionTest : public AmpTest {
 protected:
  std::vector<int> active() {
    int codes[kNumErrors];
    int n = ErrorSnapshot(w_.get(), codes);
    return {codes, codes + n};
  }
  void sensor1(float t) { GestTemperatureFunction(w_.get(), 2, 0, 23, t, 60); }
  void sensor2(float t) { GestTemperatureFunction(w_.get(), 22, 21, 24, t, 80); }
};

TEST_F(ProtectionTest, ProtectionSwitch) {
  LogCapture log;
  AttivaDisattivaProtezione(w_.get(), 1);
  EXPECT_THAT(drainCommands(), ElementsAre(18, 16));
  AttivaDisattivaProtezione(w_.get(), 0);
  EXPECT_THAT(drainCommands(), ElementsAre(17));
  EXPECT_TRUE(log.has("2: PROTEZIONE ON -------------\n"));
  EXPECT_TRUE(log.has("2: PROTEZIONE OFF -------------\n"));
}

TEST_F(ProtectionTest, AlarmAndBackToAfterAlarm) {
  w_->Isteresi1 = 1;
  LogCapture log;
  sensor1(60.5f);
  EXPECT_THAT(active(), ElementsAre(2));
  EXPECT_THAT(drainCommands(), ElementsAre(18, 16, 19));
  EXPECT_TRUE(log.has("2: !!!!  TEMP ALLARM: 60.50 (2)\n"));
  sensor1(61);     // already in alarm
  sensor1(59.5f);  // inside the hysteresis: the alarm stays
  EXPECT_THAT(drainCommands(), IsEmpty());
  EXPECT_THAT(active(), ElementsAre(2));
  sensor1(58.9f);
  EXPECT_THAT(active(), ElementsAre(0));
  EXPECT_THAT(drainCommands(), ElementsAre(20));
  EXPECT_TRUE(log.has("2: !!!! END TEMPERATURE ERROR (2)\n"));
  // Error 0 is a protection error: the error key clears it.
  EXPECT_EQ(w_->errorFlags & kErrFlagBiasReset, kErrFlagBiasReset);
  sensor1(30);
  EXPECT_THAT(active(), ElementsAre(0));
}

TEST_F(ProtectionTest, WarningComesAndGoes) {
  w_->Isteresi1 = 1;
  LogCapture log;
  sensor1(59);
  EXPECT_THAT(active(), ElementsAre(23));
  EXPECT_TRUE(log.has("2: !!!! WARNING: Quasi in Temperatura!! (23)\n"));
  sensor1(60);  // at the limit: still a warning
  EXPECT_EQ(log.count("Quasi in Temperatura"), 1);
  sensor1(58.99f);
  EXPECT_THAT(active(), IsEmpty());
  EXPECT_TRUE(log.has("2: !!!! WARNING: Warning Temperatura Rientrato!! (23)\n"));
  EXPECT_THAT(drainCommands(), IsEmpty());
}

TEST_F(ProtectionTest, WarningThenAlarmReplacesTheWarningAndAfterAlarm) {
  w_->Isteresi1 = 2;
  AddErrore(w_.get(), 21);  // left from an earlier alarm
  sensor2(79);
  EXPECT_THAT(active(), ElementsAre(21, 24));
  sensor2(80.5f);
  EXPECT_THAT(active(), ElementsAre(22));
}

TEST_F(ProtectionTest, SensorTwoAtTheTopOfTheScaleRaisesItsAlarmAtTheDefaultLimit) {
  w_->Isteresi1 = 1;
  // CalcolaTemp never reports more than 80: the top of the scale counts as
  // above a limit of 80, or the alarm could never fire.
  float hottest = CalcolaTemp(0);
  sensor2(hottest);
  EXPECT_THAT(active(), ElementsAre(22));
  EXPECT_THAT(drainCommands(), ElementsAre(18, 16, 19));
  sensor2(79.97f);  // the smoothed reading just short of the top
  EXPECT_THAT(active(), ElementsAre(22));
  sensor2(78.9f);
  EXPECT_THAT(active(), ElementsAre(21));
  // Below the top a limit of 80 is an ordinary limit.
  sensor2(79.5f);
  EXPECT_THAT(active(), ElementsAre(21, 24));
}

TEST_F(ProtectionTest, MutedAlarmProtectsOnceAndRaisesItsErrorWhenErrorsCount) {
  w_->errorsMuted = 1;
  for (int i = 0; i < 20; ++i) sensor1(65);
  EXPECT_THAT(drainCommands(), ElementsAre(18, 16));
  EXPECT_THAT(active(), IsEmpty());
  w_->errorsMuted = 0;
  sensor1(65);
  sensor1(65);
  EXPECT_THAT(active(), ElementsAre(2));
  EXPECT_THAT(drainCommands(), ElementsAre(19));
}

TEST_F(ProtectionTest, MutedErrorsSendNoBypass) {
  w_->errorsMuted = 1;
  sensor1(65);
  EXPECT_THAT(drainCommands(), ElementsAre(18, 16));
  EXPECT_THAT(active(), IsEmpty());
}

TEST_F(ProtectionTest, AlarmWritesAProtectionLineWhenLogging) {
  w_->EnableLOGTemp = 1;
  w_->logTempRunning = 1;
  w_->paTemp1 = 65;
  sensor1(65);
  EXPECT_EQ(w_->logTempRunning, 0);
  std::string log = readHost(kLogTempPath);
  EXPECT_NE(log.find(" -> protezione attiva\n"), std::string::npos) << log;
}

class TempLogTest : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    std::snprintf(w_->clockText, sizeof w_->clockText, "2024-05-01 10:11:12");
    w_->paTemp1 = 41.25f;
    w_->paTemp2 = 9.5f;
    w_->pwrFwd = 87.3f;
    w_->swrValue = 1.234f;
    w_->ampCurrentRaw = 2048;  // 7.025 A
    w_->ampStatus[1] = 0x01;   // transmitting
  }
};

TEST_F(TempLogTest, HeaderThenLinesThenRemoval) {
  LogTempFunction(w_.get(), 0);
  w_->ampStatus[1] = 0;
  LogTempFunction(w_.get(), 1);
  EXPECT_EQ(readHost(kLogTempPath),
            ";TX,Temp1,Temp2,FDD,SWR\n"
            "2024-05-01 10:11:12 , 1,41.2,09.5,87.3W,1.23,00.0V,07.0A\n"
            "2024-05-01 10:11:12 , 0,41.2,09.5,87.3W,1.23,00.0V,07.0A -> protezione attiva\n");
  // Every change is made inside the remount bracket, and "/opt/set" ends read-only.
  auto commands = platform::commandRecord();
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[0], "mount -o remount defaults,rw /opt/set");
  EXPECT_EQ(commands[1], "mount -v -n -o remount -r /opt/set");
  EXPECT_FALSE(platform::optSetWritable());

  platform::clearCommandRecord();
  LogTempFunction(w_.get(), -1);
  EXPECT_FALSE(platform::fileExists(kLogTempPath));
  EXPECT_THAT(platform::commandRecord(), ElementsAre("mount -o remount defaults,rw /opt/set", "rm /opt/set/LOGtemp.txt",
                                                     "mount -v -n -o remount -r /opt/set"));
}

TEST_F(TempLogTest, ConcurrentWritersLoseNoLine) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 2; ++t)
    writers.emplace_back([&] {
      for (int i = 0; i < 10; ++i) LogTempFunction(w_.get(), 0);
    });
  for (auto& t : writers) t.join();
  std::string log = readHost(kLogTempPath);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 21);
  EXPECT_FALSE(platform::optSetWritable());
}

// The alarm's protection line outlives the transmission that raised it: the
// next status, still transmitting, must not start a fresh log over it. Only a
// transmission after a receive does.
TEST_F(TempLogTest, TheProtectionLineIsNotErasedByTheNextTransmittingStatus) {
  auto status = [&](bool tx) {
    const std::string text = std::string("ST0") + (tx ? "1" : "0") + "0000000000000000" "20482048" "00000000;";
    w_->lastCmdEcho[0] = 'S', w_->lastCmdEcho[1] = 'T';  // the reply of a status poll
    DecodeCatCmd(w_.get(), text.c_str(), static_cast<int>(text.size()));
  };
  w_->EnableLOGTemp = 1;
  w_->MaxTemperature = 60;
  status(true);  // the first transmission starts the log
  ASSERT_EQ(w_->logTempRunning, 1);
  GestTemperatureFunction(w_.get(), 2, 0, 23, 65, 60);
  ASSERT_EQ(w_->logTempRunning, 0);
  for (int i = 0; i < 3; ++i) status(true);
  std::string log = readHost(kLogTempPath);
  EXPECT_NE(log.find(" -> protezione attiva\n"), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;  // header, first line, protection line
  // After a receive, the next transmission starts a new log, as it always has.
  status(false);
  status(true);
  log = readHost(kLogTempPath);
  EXPECT_EQ(log.find("protezione"), std::string::npos) << log;
  EXPECT_EQ(w_->logTempRunning, 1);
}

}  // namespace
