// The retry policy and the next-command choice, without a port.
#include <gtest/gtest.h>

#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/link_commands.h"
#include "amp/link_retry.h"
#include "amp/link_state.h"
#include "state/init_globals.h"
#include "amp_test_support.h"
#include "works_fixture.h"

class Retry : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    LastCmdSent(w_.get(), 'T', 'S', 22);
  }
};

TEST_F(Retry, FourFailuresGiveUpOnceAndRespectTheHoldOff) {
  for (int i = 1; i <= 3; ++i) {
    GestRetrayCMD(w_.get());
    EXPECT_EQ(pendingCmd, 22);
    EXPECT_EQ(w_->retryCount, i);
  }
  GestRetrayCMD(w_.get());
  EXPECT_EQ(pendingCmd, 1);
  EXPECT_EQ(w_->retryCount, 0);
  EXPECT_EQ(w_->retryTotal, 4);
  EXPECT_EQ(w_->retryStops, 1);
  EXPECT_TRUE(ExistError(w_.get(), kErrComm));
  EXPECT_STREQ(GetErrorDescriptor(w_.get(), kErrComm).line2, "Err TS");
  EXPECT_EQ(w_->errorRepeatTimer, 2000);
  // Within the hold-off the error is not raised again.
  DeleteErrore(w_.get(), kErrComm);
  for (int i = 0; i < 4; ++i) GestRetrayCMD(w_.get());
  EXPECT_FALSE(ExistError(w_.get(), kErrComm));
  w_->errorRepeatTimer = 0;
  for (int i = 0; i < 4; ++i) GestRetrayCMD(w_.get());
  EXPECT_TRUE(ExistError(w_.get(), kErrComm));
}

TEST_F(Retry, BurstDrainsTheRingThenFinishesTheErrorResend) {
  IncPNTIn_CMDLinear(17, w_.get());
  IncPNTIn_CMDLinear(14, w_.get());
  w_->cmdQueueActive = 1;
  w_->errorResendState = 1;
  w_->retryCount = 2;
  NextCmdPriority(w_.get(), 1);
  EXPECT_EQ(pendingCmd, 17);
  EXPECT_EQ(w_->retryCount, 0);
  NextCmdPriority(w_.get(), 1);
  EXPECT_EQ(pendingCmd, 14);
  NextCmdPriority(w_.get(), 1);
  EXPECT_EQ(pendingCmd, 1);
  EXPECT_EQ(w_->cmdQueueActive, 0);
  EXPECT_EQ(w_->errorResendState, 2);
  // Without a burst the ring waits for the next status reply.
  IncPNTIn_CMDLinear(19, w_.get());
  NextCmdPriority(w_.get(), 1);
  EXPECT_EQ(pendingCmd, 1);
  NextCmdAfterStatus(w_.get());
  EXPECT_EQ(pendingCmd, 19);
  NextCmdAfterStatus(w_.get());
  EXPECT_EQ(pendingCmd, 8);
}

// Every command gets its four sends, however many the status poll before it
// needed: a good status reply restarts the budget like any other reply.
TEST_F(Retry, CommandAfterARetriedPollStillGetsFourSends) {
  for (int pollRetries = 0; pollRetries <= 3; ++pollRetries) {
    w_->retryCount = 0;
    LastCmdSent(w_.get(), 'S', 'T', 1);
    for (int i = 0; i < pollRetries; ++i) GestRetrayCMD(w_.get());
    IncPNTIn_CMDLinear(19, w_.get());
    NextCmdAfterStatus(w_.get());  // the poll's reply finally arrived
    ASSERT_EQ(pendingCmd, 19);
    LastCmdSent(w_.get(), 'A', 'B', 19);
    int sends = 1;
    for (int guard = 0; guard < 10; ++guard) {
      GestRetrayCMD(w_.get());  // silence after each send
      if (pendingCmd != 19) break;
      ++sends;
    }
    EXPECT_EQ(sends, 4) << pollRetries << " retries of the poll";
    EXPECT_EQ(pendingCmd, 1);
  }
}
