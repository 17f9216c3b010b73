#include "amp/errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "amp_test_support.h"
#include "app/thread_table.h"
#include "state/setup_record.h"
#include "state/works.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

class ErrorListTest : public AmpTest {
 protected:
  std::vector<int> active() {
    int codes[kNumErrors];
    int n = ErrorSnapshot(w_.get(), codes);
    return {codes, codes + n};
  }
  void add(std::initializer_list<int> codes) {
    for (int c : codes) AddErrore(w_.get(), c);
  }
};

TEST_F(ErrorListTest, AddKeepsArrivalOrderAndEachCodeOnce) {
  LogCapture log;
  add({9, 1, 12, 1});
  EXPECT_THAT(active(), ElementsAre(9, 1, 12));
  EXPECT_EQ(log.count("Add: "), 3);
  EXPECT_TRUE(log.has("2: Add: N: 2 err:1\n"));
  EXPECT_EQ(ExistAnError(w_.get()), 9);
  EXPECT_EQ(ExistError(w_.get(), 12), 1);
  EXPECT_EQ(ExistError(w_.get(), 13), 0);

  DeleteErrore(w_.get(), 1);
  EXPECT_THAT(active(), ElementsAre(9, 12));
  EXPECT_TRUE(log.has("2: Del ERROR: N: 2 err:1\n"));
  log.clear();
  DeleteErrore(w_.get(), 1);  // absent: silent
  DeleteErrore(w_.get(), 99);
  EXPECT_THAT(log.lines(), IsEmpty());
  DeleteErrore(w_.get(), 9);
  DeleteErrore(w_.get(), 12);
  EXPECT_EQ(ExistAnError(w_.get()), -1);
}

TEST_F(ErrorListTest, EveryCodeFitsAndOutOfRangeCodesAreRefused) {
  for (int c = kNumErrors - 1; c >= 0; --c) AddErrore(w_.get(), c);
  add({-1, 25, 1000});
  EXPECT_EQ(w_->errorCount, kNumErrors);
  EXPECT_EQ(active().front(), 24);
  EXPECT_EQ(active().back(), 0);
}

TEST_F(ErrorListTest, MutedUntilTheAmplifierAcknowledges) {
  w_->errorsMuted = 1;
  add({1, 15});
  EXPECT_THAT(active(), IsEmpty());
  EXPECT_EQ(w_->errorFlags, 0);
  w_->errorsMuted = 0;
  add({1});
  EXPECT_THAT(active(), ElementsAre(1));
}

TEST_F(ErrorListTest, FlagBitsAreSetOnceByDescriptor) {
  LogCapture log;
  add({9});  // flags 0
  EXPECT_EQ(w_->errorFlags, 0);
  add({1});  // protection
  EXPECT_EQ(w_->errorFlags, kErrFlagBiasReset);
  add({3});  // a second protection error: no second line
  EXPECT_EQ(log.count(" -->set protezione"), 1);
  EXPECT_TRUE(log.has("2:  -->set protezione 0x1\n"));
  add({19});  // protection and temporary
  EXPECT_EQ(w_->errorFlags, kErrFlagBiasReset | kErrFlagTemporary);
  EXPECT_TRUE(log.has("2:  -->tasto reset errore 0x5\n"));
  add({12});
  EXPECT_EQ(log.count(" -->tasto reset errore"), 1);
}

TEST_F(ErrorListTest, DescriptorTable) {
  struct Case {
    int code;
    uint8_t flags;
    const char *line1, *line2;
  } cases[] = {{0, 2, "1-High", "temperature"}, {4, 4, "Comm", "warn "},      {11, 0, "Web socket", "warning"},
               {15, 3, "Error", "---"},         {19, 6, "Band warn", "StBy"}, {24, 2, "2-Warning", "temperature"}};
  for (const Case& c : cases) {
    ErrorDescriptor d = GetErrorDescriptor(w_.get(), c.code);
    EXPECT_EQ(d.flags, c.flags) << c.code;
    EXPECT_STREQ(d.line1, c.line1);
    EXPECT_STREQ(d.line2, c.line2);
  }
  SetErrorLine2(w_.get(), 15, "SENS PW");
  EXPECT_STREQ(GetErrorDescriptor(w_.get(), 15).line2, "SENS PW");
  SetErrorLine2(w_.get(), 4, std::string(100, 'x').c_str());  // cut to fit
  EXPECT_EQ(std::string(GetErrorDescriptor(w_.get(), 4).line2), std::string(29, 'x'));
  SetErrorLine2(w_.get(), 99, "ignored");
  InitErrorTable(w_.get());
  EXPECT_STREQ(GetErrorDescriptor(w_.get(), 15).line2, "---");
  EXPECT_EQ(GetErrorDescriptor(w_.get(), 99).flags, 0);
}

TEST_F(ErrorListTest, VerifyErrorIgnoresTheTemperatureStates) {
  add({2, 22, 23, 24});
  EXPECT_EQ(VerifyError(w_.get()), 0);
  add({0});
  EXPECT_EQ(VerifyError(w_.get()), 1);
}

TEST_F(ErrorListTest, ErrorKeyRemovesOnlyTemporaryWarnings) {
  add({5, 9, 12, 16});
  ASSERT_EQ(w_->errorFlags, kErrFlagTemporary);
  LogCapture log;
  EXPECT_EQ(GPIO_Errori(w_.get()), 1);
  EXPECT_THAT(active(), ElementsAre(9));
  EXPECT_EQ(w_->errorFlags, 0);
  EXPECT_TRUE(log.has("2: ----------> 1- ERRORI!!\n"));
  EXPECT_TRUE(log.has("2: Del temp err: 5 (0 , 3)\n"));
  EXPECT_THAT(drainCommands(), IsEmpty());
}

TEST_F(ErrorListTest, ErrorKeyWithOnlySensorOneAlarmKeepsItsFunction) {
  add({2});
  EXPECT_EQ(GPIO_Errori(w_.get()), 0);
  EXPECT_THAT(active(), ElementsAre(2));
  EXPECT_THAT(drainCommands(), IsEmpty());
}

TEST_F(ErrorListTest, ErrorKeyWithoutErrorsDoesNothing) {
  EXPECT_EQ(GPIO_Errori(w_.get()), 0);
  EXPECT_THAT(drainCommands(), IsEmpty());
}

TEST_F(ErrorListTest, ErrorKeyWithPlainErrorsResetsAndClears) {
  add({9, 10});
  w_->ampBypass = 0;
  w_->Attenuator = 2;
  LogCapture log;
  EXPECT_EQ(GPIO_Errori(w_.get()), 1);
  EXPECT_TRUE(log.has("2: FOUND ERR: 9 \n"));
  EXPECT_THAT(active(), IsEmpty());
  EXPECT_THAT(drainCommands(), ElementsAre(17, 19, 14));
}

TEST_F(ErrorListTest, BiasResetQueuesTheResendAndCompletesEmpty) {
  add({15, 12, 9});
  w_->ampStatus[2] = 0x01;  // protection trip reported
  w_->ampBypass = 1;
  LogCapture log;
  EXPECT_EQ(GPIO_Errori(w_.get()), 1);
  EXPECT_THAT(drainCommands(), ElementsAre(13, 17, 20, 14));
  EXPECT_EQ(w_->cmdQueueActive, 1);
  EXPECT_EQ(w_->errorResendState, 1);
  EXPECT_TRUE(log.has("2: >>> ERRORI: ResetBiasCmd\n"));
  EXPECT_TRUE(log.has("2: >>> ERRORI: RESET Protezione AMPL!\n"));
  EXPECT_THAT(active(), ElementsAre(15, 12, 9));  // still shown until the amplifier confirms

  // The queue has gone out and a status reply arrived.
  GestErroreSerial(w_.get());
  EXPECT_THAT(active(), IsEmpty());
  EXPECT_EQ(w_->errorFlags & kErrFlagResetPending, kErrFlagResetPending);
  EXPECT_EQ(w_->errorFlags & kErrFlagTemporary, 0);
  EXPECT_THAT(drainCommands(), IsEmpty());
}

// Three presses within a moment of a trip: the bias reset already on its way
// is not started again (each start queued the whole resend once more).
TEST_F(ErrorListTest, ErrorKeyPressedAgainWhileTheResetRunsStartsNoSecondOne) {
  add({15});
  w_->ampStatus[2] = 0x01;
  LogCapture log;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(GPIO_Errori(w_.get()), 1);
  EXPECT_THAT(drainCommands(), ElementsAre(13, 17, 20, 14));  // once, not three times
  EXPECT_EQ(log.count(">>> ERRORI: ResetBiasCmd"), 1);
  EXPECT_EQ(log.count("reset already running"), 2);
  // Once the reset has completed, the key starts a new one.
  GestErroreSerial(w_.get());
  w_->errorResendState = 0;
  add({15});
  w_->errorFlags |= kErrFlagBiasReset;
  EXPECT_EQ(GPIO_Errori(w_.get()), 1);
  EXPECT_EQ(log.count(">>> ERRORI: ResetBiasCmd"), 2);
}

TEST_F(ErrorListTest, BiasResetAfterMicroResetResendsTheStartUpList) {
  add({16, 1});
  w_->ampStatus[2] = 0x80;
  ResetBiasCmd(w_.get());
  std::vector<int> codes = drainCommands();
  ASSERT_GE(codes.size(), 5u);
  EXPECT_EQ(codes.front(), 13);
  EXPECT_EQ(codes[1], 0);  // version read: start of the start-up list
  EXPECT_THAT(std::vector<int>(codes.end() - 3, codes.end()), ElementsAre(17, 19 + w_->ampBypass, 14));
}

TEST_F(ErrorListTest, HighSwrStatusBitAsksForTheProtectionReset) {
  w_->ampStatus[1] = 0x02;
  ResetBiasCmd(w_.get());
  EXPECT_EQ(drainCommands().front(), 13);
  w_->ampStatus[1] = 0;
  ResetBiasCmd(w_.get());
  EXPECT_EQ(drainCommands().front(), 17);
}

TEST_F(ErrorListTest, CompletionWithTemporaryWarningsOnly) {
  add({14, 13, 9, 17});
  GestErroreSerial(w_.get());
  // 12-14 go with the display reset, 17 with the warnings, 9 by the final check.
  EXPECT_THAT(active(), IsEmpty());
  EXPECT_EQ(w_->errorFlags, kErrFlagResetPending);
  EXPECT_THAT(drainCommands(), ElementsAre(17, 19 + w_->ampBypass, 14));
}

TEST_F(ErrorListTest, RemoteThreadsRestartOnceWhenTheyRan) {
  SetupRecord& s = *w_->setup;
  s.EnableWrite = '0';
  s.EnableRead = '1';
  s.EnableCAT = '0';
  s.EnableFFT = '2';
  w_->remoteStarted = 1;
  w_->remoteActive = 0;
  LogCapture log;
  GestErroreRemote(w_.get());  // not active: nothing
  EXPECT_EQ(s.EnableWrite, '0');
  w_->remoteActive = 1;
  GestErroreRemote(w_.get());
  EXPECT_TRUE(log.has("2: >>> RESTART REMOTE: 1 1 audio 30 31\n"));
  EXPECT_TRUE(log.has("2: >>> RESTART REMOTE!\n"));
  EXPECT_TRUE(log.has("2: start audio write\n"));
  EXPECT_FALSE(log.has("start audio read"));
  EXPECT_EQ(w_->remoteActive, 0);
  EXPECT_EQ(s.EnableWrite, '1');
  EXPECT_EQ(s.EnableCAT, '1');
  EXPECT_EQ(s.EnableFFT, '2');
  GestErroreRemote(w_.get());
  EXPECT_EQ(log.count(">>> RESTART REMOTE!"), 1);
  w_->running = 0;
  JoinThreads(w_.get());
}

// Adds, deletes, flag reads and snapshots from several threads at once: the
// list never holds a code twice or a code out of range. Run under TSan.
TEST_F(ErrorListTest, ConcurrentAddDeleteKeepsTheListConsistent) {
  std::atomic<bool> bad{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        int code = (i * 7 + t * 3) % kNumErrors;
        if ((i + t) % 2)
          AddErrore(w_.get(), code);
        else
          DeleteErrore(w_.get(), code);
        if (i % 50 == 0) SetErrorLine2(w_.get(), 15, t % 2 ? "REFL" : "FWD");
      }
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < 2000; ++i) {
      int codes[kNumErrors];
      int n = ErrorSnapshot(w_.get(), codes);
      std::set<int> seen(codes, codes + n);
      if (n < 0 || n > kNumErrors || static_cast<int>(seen.size()) != n) bad = true;
      for (int c : seen)
        if (c < 0 || c >= kNumErrors) bad = true;
      VerifyError(w_.get());
      GetErrorDescriptor(w_.get(), 15);
    }
  });
  for (auto& t : threads) t.join();
  EXPECT_FALSE(bad);
  std::vector<int> left = active();
  EXPECT_EQ(std::set<int>(left.begin(), left.end()).size(), left.size());
}

}  // namespace
