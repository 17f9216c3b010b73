// The keys of the value-edit page on every row: limits and wrap points, what
// ENTER saves, the commands queued and the actions.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "amp/amp_commands.h"
#include "amp/errors.h"
#include "menu_test_support.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "state/thread_starter.h"
#include "tables/table_io.h"
#include "wait_until.h"

namespace {

using Prepare = void (*)(Works*);

class ModifyParameterTest : public MenuTest {};

TEST_F(ModifyParameterTest, StepsStopOrWrapAtTheRowLimits) {
  const struct {
    int row;
    Prepare prepare;
    int key;
    std::vector<std::string> after;  // the value shown after each press
  } cases[] = {
      {kRowMaxBank, [](Works* w) { w->MAXbank = 20; }, kMenuPlus, {"2", "3"}},
      {kRowMaxBank, [](Works* w) { w->MAXbank = 2; }, kMenuMinus, {"20", "19"}},
      {kRowTargetSwr, [](Works* w) { w->SWRescAutoTune = 0; }, kMenuPlus, {"1.00", "1.01"}},
      {kRowTargetSwr, [](Works* w) { w->SWRescAutoTune = 1; }, kMenuMinus, {"0.00", "0.00"}},
      {kRowTargetSwr, [](Works* w) { w->SWRescAutoTune = 9.99f; }, kMenuPlus, {"10.00", "10.00"}},
      {kRowPointDiv, [](Works*) { PointDiv = 1; }, kMenuPlus, {"2", "5", "10", "20", "20"}},
      {kRowPointDiv, [](Works*) { PointDiv = 20; }, kMenuMinus, {"10", "5", "2", "1", "1"}},
      {kRowTuneTimeout, [](Works* w) { w->AutoTuneMaxCicli = 0; }, kMenuMinus, {"25sec"}},
      {kRowTuneTimeout, [](Works* w) { w->AutoTuneMaxCicli = 4; }, kMenuPlus, {"25sec", "20sec"}},
      {kRowLongPress, [](Works*) { TIME_LONG_PRESS = 5.0; }, kMenuPlus, {"5.0 sec"}},
      {kRowLongPress, [](Works*) { TIME_LONG_PRESS = 0.3; }, kMenuMinus, {"0.3 sec"}},
      {kRowFreqPeriod, [](Works* w) { w->FreqPeriodTime = 9990; }, kMenuPlus, {"9999", "9999"}},
      {kRowPeakTime, [](Works*) { TimerPeakSec = 4990; }, kMenuPlus, {"5000", "5000"}},
      {kRowRefLevel, [](Works*) {}, kMenuMinus, {"-120", "-130"}},
      {kRowTempAlarm1, [](Works* w) { w->MaxTemperature = 59.9f; }, kMenuPlus, {"60.00", "60.00"}},
      {kRowTempAlarm1, [](Works* w) { w->MaxTemperature = 20.1f; }, kMenuMinus, {"20.00", "20.00"}},
      {kRowTempAlarm2, [](Works*) {}, kMenuPlus, {"60.00"}},  // 80 by default, above MaxTempAllowed
      {kRowForceAttenuator, [](Works* w) { w->AttenuatorTune = 3; }, kMenuRight, {"0dB", "2dB"}},
  };
  for (const auto& c : cases) {
    c.prepare(w_.get());
    for (size_t i = 0; i < c.after.size(); ++i) {
      press(c.row, c.key);
      EXPECT_EQ(shown(c.row), c.after[i]) << "row " << c.row << " press " << i + 1;
    }
  }
}

// Held keys from values a hand-edited setup file may hold: every press leaves
// the value inside the row's limits.
TEST_F(ModifyParameterTest, HeldKeysNeverLeaveTheLimits) {
  const struct {
    int row;
    Prepare prepare;
    double (*value)(Works*);
    double low, high;
  } cases[] = {
      {kRowMaxBank, [](Works* w) { w->MAXbank = 50; }, [](Works* w) { return double(w->MAXbank); }, 2, 20},
      {kRowFreqPeriod, [](Works* w) { w->FreqPeriodTime = 0; }, [](Works* w) { return double(w->FreqPeriodTime); }, 10,
       9999},
      {kRowTargetSwr, [](Works* w) { w->SWRescAutoTune = 25; }, [](Works* w) { return double(w->SWRescAutoTune); }, 0,
       10},
      {kRowPeakTime, [](Works*) { TimerPeakSec = 7000; }, [](Works*) { return double(TimerPeakSec); }, 0, 5000},
      {kRowTempAlarm1, [](Works* w) { w->MaxTemperature = 95; }, [](Works* w) { return double(w->MaxTemperature); }, 20,
       60},
      {kRowLongPress, [](Works*) { TIME_LONG_PRESS = 9; }, [](Works*) { return TIME_LONG_PRESS.load(); }, 0.3, 5.0},
      {kRowOffset, [](Works* w) { w->OffsetPlot = 999.5; }, [](Works* w) { return w->OffsetPlot.load(); }, -999.9,
       999.9},
      {kRowPointDiv, [](Works*) { PointDiv = 0; }, [](Works*) { return double(PointDiv); }, 1, 20},
      {kRowRefPos, [](Works*) { RefPos = 40; }, [](Works*) { return double(RefPos); }, 0, 10},
      {kRowTuneTimeout, [](Works* w) { w->AutoTuneMaxCicli = 9; }, [](Works* w) { return double(w->AutoTuneMaxCicli); },
       0, 4},
  };
  for (const auto& c : cases) {
    for (int key : {kMenuPlus, kMenuMinus}) {
      c.prepare(w_.get());
      for (int i = 0; i < 300; ++i) {
        press(c.row, key);
        const double v = c.value(w_.get());
        ASSERT_TRUE(v >= c.low - 1e-4 && v <= c.high + 1e-4) << "row " << c.row << " key " << key << ": " << v;
      }
    }
  }
  // A long run of steps up and down lands exactly where it started.
  w_->MaxTemperature = 45.3f;
  press(kRowTempAlarm1, kMenuPlus, 97);
  press(kRowTempAlarm1, kMenuMinus, 97);
  EXPECT_EQ(shown(kRowTempAlarm1), "45.30");
}

// With the screen in Fahrenheit the alarm set points are shown and stepped in
// Fahrenheit, kept within the same limits, and stored in tenths of Celsius.
TEST_F(ModifyParameterTest, TemperatureSetPointsFollowTheUnitShown) {
  w_->TempMode = 1;
  w_->MaxTemperature = 50.0f;
  EXPECT_EQ(shown(kRowTempAlarm1), "122.00");
  press(kRowTempAlarm1, kMenuPlus, 18);  // +1.8 F: +1 C
  EXPECT_EQ(shown(kRowTempAlarm1), "123.80");
  EXPECT_NEAR(w_->MaxTemperature, 51.0, 1e-4);
  press(kRowTempAlarm1, kMenuEnter);
  EXPECT_EQ(saved("MaxTemperature"), "510");
  press(kRowTempAlarm1, kMenuPlus, 400);  // never above MaxTempAllowed (60 C, 140 F)
  EXPECT_EQ(shown(kRowTempAlarm1), "140.00");
  press(kRowTempAlarm1, kMenuMinus, 1500);  // nor below 20 C (68 F)
  EXPECT_EQ(shown(kRowTempAlarm1), "68.00");
  EXPECT_NEAR(w_->MaxTemperature, 20.0, 1e-4);
}

// The tune's search on the list: "+" the fast search, "-" the full sweep,
// each held at its end; ENTER saves it.
TEST_F(ModifyParameterTest, TuneSearchRowChoosesTheSearchAndSavesIt) {
  EXPECT_EQ(shown(kRowTuneSearch), "Full");
  press(kRowTuneSearch, kMenuPlus, 3);
  EXPECT_EQ(w_->TuneSearch, 1);
  EXPECT_EQ(shown(kRowTuneSearch), "Fast");
  EXPECT_EQ(saved("TuneSearch"), "0");  // not before ENTER
  press(kRowTuneSearch, kMenuEnter);
  EXPECT_EQ(saved("TuneSearch"), "1");
  press(kRowTuneSearch, kMenuMinus, 2);
  EXPECT_EQ(w_->TuneSearch, 0);
  EXPECT_EQ(recordText("TuneSearch"), "0");
}

TEST_F(ModifyParameterTest, EnterSavesExactlyTheValueShown) {
  const struct {
    int row, key, times;
    const char* setupKey;
    const char* text;   // shown, and shown again after reading the file back
    const char* saved;  // in the setup record at once, and in the file after ENTER
  } cases[] = {
      {kRowTempAlarm1, kMenuMinus, 9, "MaxTemperature", "59.10", "591"},
      {kRowTempAlarm2, kMenuMinus, 3, "MaxTemperature2", "59.80", "598"},
      {kRowTargetSwr, kMenuPlus, 2, "SWRescAutoTune", "1.01", "101"},
      {kRowLongPress, kMenuPlus, 2, "BTN_longpress_Time", "0.7 sec", "7"},
      {kRowPeakTime, kMenuMinus, 3, "Peak_Time", "2970", "2970"},
      {kRowMaxBank, kMenuMinus, 1, "MAXbank", "19", "19"},
      {kRowFreqPeriod, kMenuPlus, 3, "FreqPeriodTime", "40", "40"},
      {kRowFreqSens, kMenuPlus, 1, "FreqSensIn", "FQ2", "1"},
      {kRowAutoTune, kMenuRight, 1, "AutoTuneMode", "On", "1"},
      {kRowForceAttenuator, kMenuPlus, 2, "AttenuatorTune", "3dB", "2"},
      {kRowTuneTimeout, kMenuPlus, 1, "AutoTuneMaxCicli", "20sec", "1"},
      {kRowAtuInstalled, kMenuLeft, 1, "TUNEenabled", "No", "128"},
      {kRowDateTime, kMenuPlus, 1, "ViewTimeStr", "On", "1"},
      {kRowTempUnits, kMenuMinus, 1, "TempMode", "Fahrenheit", "1"},
      {kRowPeakMeter, kMenuPlus, 1, "EnablePwrPeak", "On", "1"},
      {kRowPowerUnits, kMenuPlus, 1, "PowerUnits", "dBm", "1"},
      {kRowSaverTimeout, kMenuPlus, 1, "SaveScreenIdx", "10min", "1"},
      {kRowOffset, kMenuPlus, 30, "OffsetPlot", "3.00", "30"},
  };
  for (const auto& c : cases) {
    press(c.row, c.key, c.times);
    EXPECT_EQ(shown(c.row), c.text) << c.setupKey;
    EXPECT_EQ(recordText(c.setupKey), c.saved) << c.setupKey;
    press(c.row, kMenuEnter);
    EXPECT_EQ(saved(c.setupKey), c.saved) << c.setupKey;
    readSetup(w_.get());
    EXPECT_EQ(shown(c.row), c.text) << c.setupKey << " read back";
  }
}

// Which keys write the setup file and which repeat while held, for every row
// and key.
TEST_F(ModifyParameterTest, SavesAndRepeatsOnTheRowsKeys) {
  const std::vector<int> enterSaves = {kRowMaxBank,         kRowFreqSens,   kRowFreqPeriod,  kRowAutoTune,
                                       kRowForceAttenuator, kRowTargetSwr,  kRowTuneTimeout, kRowAtuInstalled,
                                       kRowOffset,          kRowDateTime,   kRowTempUnits,   kRowPeakMeter,
                                       kRowPeakTime,        kRowTempAlarm1, kRowTempAlarm2,  kRowPowerUnits,
                                       kRowSaverTimeout,    kRowLongPress,  kRowTuneSearch};
  const std::vector<int> arrowsSave = {kRowMaxBank, kRowOffset, kRowPeakTime, kRowLongPress};
  auto in = [](const std::vector<int>& rows, int r) { return std::find(rows.begin(), rows.end(), r) != rows.end(); };
  for (int row = 0; row < kMenuRowCount; ++row) {
    for (int key = kMenuEnter; key <= kMenuRight; ++key) {
      std::remove(host(kSetupPath).c_str());
      const int repeat = press(row, key);
      const bool arrow = key == kMenuLeft || key == kMenuRight;
      const bool plusMinus = key == kMenuPlus || key == kMenuMinus;
      const bool saves = key == kMenuEnter ? in(enterSaves, row) : arrow && in(arrowsSave, row);
      EXPECT_EQ(platform::fileExists(kSetupPath), saves) << "row " << row << " key " << key;
      const bool repeats = (plusMinus && (row == kRowFreqPeriod || row == kRowTargetSwr || row == kRowOffset ||
                                          row == kRowPeakTime || row == kRowTempAlarm1 || row == kRowTempAlarm2)) ||
                           (arrow && (row == kRowTargetSwr || row == kRowOffset || row == kRowPeakTime ||
                                      row == kRowTempAlarm1 || row == kRowTempAlarm2)) ||
                           (key == kMenuEnter && (row == kRowOffset || row == kRowPeakTime));
      EXPECT_EQ(repeat, repeats ? 1 : 0) << "row " << row << " key " << key;
    }
  }
  EXPECT_EQ(press(kRowOffset, 5), 0);  // not a key
}

TEST_F(ModifyParameterTest, CommandsAndActions) {
  press(kRowFreqSens, kMenuPlus);
  EXPECT_TRUE(drainCommands().empty());
  press(kRowFreqSens, kMenuEnter);
  press(kRowFreqPeriod, kMenuEnter);
  // Both rows set the one frequency-counter command: it goes once, with both values.
  EXPECT_EQ(drainCommands(), (std::vector<int>{kCmdFreqSensor}));
  platform::clearCommandRecord();

  // The update and service rows act on ENTER only while switched on.
  for (int row : {kRowFwUpdate, kRowUiUpdate, kRowRemoteService}) press(row, kMenuEnter);
  EXPECT_TRUE(drainCommands().empty());
  EXPECT_TRUE(platform::commandRecord().empty());
  for (int row : {kRowFwUpdate, kRowUiUpdate, kRowRemoteService}) {
    press(row, kMenuPlus);
    EXPECT_EQ(shown(row), "On");
    press(row, kMenuEnter);
  }
  EXPECT_EQ(drainCommands(), (std::vector<int>{kCmdFirmwareRestart}));
  EXPECT_EQ(w_->hintFlags & 8, 8);
  EXPECT_EQ(platform::commandRecord(), (std::vector<std::string>{"/opt/VyrArt/getpack.sh", "/opt/sshshell"}));

  // OFF HW: only ENTER switches the unit off; a slip onto another key does not.
  for (int key = kMenuEnter; key <= kMenuRight; ++key) {
    w_->tinyCmdActive = 255;
    press(kRowOffHw, key);
    EXPECT_EQ(w_->tinyCmdActive, key == kMenuEnter ? 133 : 255) << key;
  }

  // Enable VYR Tune replaces the whole byte, handshake bits included; ATU
  // Installed flips bit 7 alone.
  w_->AutoTuneMode = 0x0B;
  press(kRowAutoTune, kMenuPlus);
  EXPECT_EQ(w_->AutoTuneMode, 0);
  w_->AutoTuneMode = 0x0A;
  press(kRowAutoTune, kMenuMinus);
  EXPECT_EQ(w_->AutoTuneMode, 1);
  w_->TUNEenabled = 0x05;
  press(kRowAtuInstalled, kMenuPlus);
  EXPECT_EQ(w_->TUNEenabled, 0x85);
  press(kRowAtuInstalled, kMenuPlus);
  EXPECT_EQ(w_->TUNEenabled, 0x05);
}

TEST_F(ModifyParameterTest, AddressRowsEditTheirOwnBytesAndSaveOnEnter) {
  struct {
    int row;
    uint8_t* bytes;
    std::atomic<int>* cursor;
  } rows[] = {{kRowIp, IP_v, &CntIP},
              {kRowSubnet, NetMask_v, &CntNetMask},
              {kRowGateway, Gateway_v, &CntGateway},
              {kRowDns, DNS_v, &CntDNS}};
  for (auto& r : rows) {
    press(r.row, kMenuPlus);     // byte 3: 0 -> 1
    press(r.row, kMenuRight);    // cursor 3 -> 0
    press(r.row, kMenuMinus);    // byte 0: 0 -> 255
    press(r.row, kMenuLeft, 2);  // cursor 0 -> 3 -> 2
    EXPECT_EQ(shown(r.row), "255.0.0.1") << r.row;
    EXPECT_EQ(r.cursor->load(), 2) << r.row;
  }
  CntDNS = 17;  // a cursor that lost its way is brought back, not used to index
  press(kRowDns, kMenuPlus);
  EXPECT_EQ(CntDNS, 3);
  EXPECT_EQ(shown(kRowDns), "255.0.0.2");

  writeHost(kInterfacesPath, "address 10.0.0.1\nnetmask 255.255.255.0\n");
  press(kRowIp, kMenuEnter);
  // The gateway and name server the file lacked were edited: they get lines.
  EXPECT_EQ(readHost(kInterfacesPath),
            "address 255.0.0.1\nnetmask 255.0.0.1\ngateway 255.0.0.1\nnameserver 255.0.0.2\n");
}

TEST_F(ModifyParameterTest, FactoryResetDeletesEveryBankFileAndRestoresTheDefaults) {
  for (int bank : {0, 7, 19}) {
    writeHost(tables::bandTablePath(bank), "x\n");
    writeHost(tables::tuneMemPath(bank, 2), "x\n");
  }
  press(kRowTempAlarm1, kMenuMinus, 50);
  press(kRowTempAlarm1, kMenuEnter);
  ASSERT_EQ(saved("MaxTemperature"), "550");

  press(kRowFactoryDefault, kMenuEnter);  // "No Default": nothing happens
  EXPECT_EQ(saved("MaxTemperature"), "550");
  press(kRowFactoryDefault, kMenuRight);
  EXPECT_EQ(shown(kRowFactoryDefault), "Set Default");
  press(kRowFactoryDefault, kMenuEnter);
  EXPECT_EQ(shown(kRowFactoryDefault), "No Default");
  EXPECT_EQ(saved("MaxTemperature"), "600");
  EXPECT_EQ(shown(kRowTempAlarm1), "60.00");
  for (int bank : {0, 7, 19}) {
    EXPECT_NE(readHost(tables::tuneMemPath(bank, 2)), "x\n") << bank;
    EXPECT_NE(readHost(tables::bandTablePath(bank)), "x\n") << bank;
  }
}

TEST_F(ModifyParameterTest, FilterViewOpensAndClosesTheFilterPage) {
  press(kRowFilterView, kMenuPlus);
  EXPECT_EQ(shown(kRowFilterView), "On");
  EXPECT_EQ(w_->statusView, 0);  // the key only chooses; ENTER opens
  press(kRowFilterView, kMenuEnter);
  EXPECT_EQ(w_->statusView, 4);
  EXPECT_EQ(w_->menuPage, kLumoFilters);
  press(kRowFilterView, kMenuMinus);
  press(kRowFilterView, kMenuEnter);
  EXPECT_EQ(w_->statusView, 0);
}

// Remote operation: the other keys choose, after the presence checks; ENTER
// starts or stops the threads.
struct RemoteRecord {
  static inline int starts, stops, webSockets;
};
const ThreadStarter kRecordingStarter{
    [](Works*, LinkThread t) { RemoteRecord::webSockets += t == LinkThread::WebSocket; },
    [](Works*) { ++RemoteRecord::starts; }, [](Works*) { ++RemoteRecord::stops; }};

TEST_F(ModifyParameterTest, UseModeSwitchesRemoteOperationAfterItsChecks) {
  RemoteRecord::starts = RemoteRecord::stops = RemoteRecord::webSockets = 0;
  w_->threadStarter = &kRecordingStarter;
  static int findResult, audioCount;
  static const RemoteChecks checks{[](Works*) { return findResult; }, [](Works*) { return audioCount; }};
  SetRemoteChecks(&checks);

  const struct {
    int find, audio;
    char enaser;
    std::vector<int> errors;
  } failures[] = {{1, 1, '1', {kErrRemoteUsb}},
                  {2, 1, '1', {kErrRemoteCat}},
                  {3, 0, '1', {kErrAudioRead, kErrAudio}},
                  {0, 1, '0', {kErrVyrMode}}};
  for (const auto& f : failures) {
    for (int e = 0; e < kNumErrors; ++e) DeleteErrore(w_.get(), e);
    findResult = f.find;
    audioCount = f.audio;
    w_->setup->enaser = f.enaser;
    press(kRowUseMode, kMenuPlus);
    EXPECT_EQ(shown(kRowUseMode), "Local");
    EXPECT_EQ(w_->hintFlags & 4, 4);
    for (int e = 0; e < kNumErrors; ++e)
      EXPECT_EQ(ExistError(w_.get(), e), std::count(f.errors.begin(), f.errors.end(), e)) << f.find << " error " << e;
  }

  findResult = 0;
  audioCount = 1;
  w_->setup->enaser = '1';
  w_->setup->WebSocket = '0';
  press(kRowUseMode, kMenuRight);
  EXPECT_EQ(shown(kRowUseMode), "Remote");
  EXPECT_EQ(w_->hintFlags & 4, 0);
  press(kRowUseMode, kMenuEnter);
  EXPECT_EQ(RemoteRecord::starts, 1);
  EXPECT_EQ(w_->setup->WebSocket, '1');
  EXPECT_EQ(RemoteRecord::webSockets, 1);
  press(kRowUseMode, kMenuMinus);
  EXPECT_EQ(shown(kRowUseMode), "Local");
  press(kRowUseMode, kMenuEnter);
  EXPECT_EQ(RemoteRecord::stops, 1);

  // The stand-in probes find nothing: receiver and codec are reported missing.
  SetRemoteChecks(nullptr);
  press(kRowUseMode, kMenuPlus);
  EXPECT_EQ(shown(kRowUseMode), "Local");
  EXPECT_EQ(ExistError(w_.get(), kErrRemoteUsb), 1);
  EXPECT_EQ(ExistError(w_.get(), kErrAudio), 1);
}

// The remote checks take seconds on the board: the key returns at once, the
// screen names the job while it runs, and its outcome comes when it ends.
TEST_F(ModifyParameterTest, SlowJobsRunBesideTheKeys) {
  SetBackgroundJobsInline(false);
  static std::atomic<bool> release{false};
  static const RemoteChecks slow{[](Works*) {
                                   while (!release) platform::sleepMs(5);
                                   return 1;
                                 },
                                 [](Works*) { return 1; }};
  SetRemoteChecks(&slow);
  const int64_t before = platform::monotonicMs();
  press(kRowUseMode, kMenuPlus);
  EXPECT_LT(platform::monotonicMs() - before, 200);
  ASSERT_TRUE(waitUntil([] { return RunningBackgroundJob() != nullptr; }, 2000));
  EXPECT_STREQ(RunningBackgroundJob(), "Remote checks");
  press(kRowDateTime, kMenuPlus);  // the keys still work meanwhile
  EXPECT_EQ(shown(kRowDateTime), "On");
  release = true;
  WaitBackgroundJobs();
  EXPECT_EQ(RunningBackgroundJob(), nullptr);
  EXPECT_EQ(ExistError(w_.get(), kErrRemoteUsb), 1);
  EXPECT_EQ(w_->remoteStarted, 0);
}

}  // namespace
