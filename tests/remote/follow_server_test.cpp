// A client unit takes the far unit's bank from the status line it receives.
#include "remote/follow_server.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tables/bank_change.h"
#include "works_fixture.h"

namespace {

// A status line as the timer sends it, with `bank` in its bank field.
std::string statusLine(const char* bank) {
  std::string s = "20m 1001T0000.00000.00000.0026.213.800.4";
  s += bank;
  s += "00";
  return s;
}

const uint8_t* bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(StatusLineBank, ReadsTwoDigitsAtTheirPlaceOnly) {
  EXPECT_EQ(StatusLineBank(bytes(statusLine("07")), 44), 7);
  EXPECT_EQ(StatusLineBank(bytes(statusLine("19")), 44), 19);
  EXPECT_EQ(StatusLineBank(bytes(statusLine("07")), 41), -1);  // cut before the field ends
  EXPECT_EQ(StatusLineBank(bytes(statusLine(" 7")), 44), -1);
  EXPECT_EQ(StatusLineBank(bytes(statusLine("x1")), 44), -1);
  EXPECT_EQ(StatusLineBank(bytes(std::string("ORVABANK")), 8), -1);  // a remote command is no status line
}

class FollowServerBankTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    w_->NumBanco = 1;
    w_->MAXbank = 20;
    w_->bandRowIdx = 3;
  }
};

TEST_F(FollowServerBankTest, LoadsTheFarUnitsBankWithoutSavingIt) {
  writeHost("/opt/set/antenna_b2.txt", "!Vyr\n20m 14000000 14350000 1 2 0 0 0.0\n");
  const std::string line = statusLine("02");
  EXPECT_TRUE(FollowServerBank(w_.get(), bytes(line), line.size()));
  EXPECT_EQ(w_->NumBanco, 2);
  EXPECT_EQ(w_->ModeWorkIdx, 1);  // the bank's interface type came with it
  EXPECT_EQ(w_->bandRowIdx, -1);  // its band row is applied at the next tick
  EXPECT_EQ(readHost("/opt/set/setup.txt"), "");  // this unit's own choice stays on disk
}

TEST_F(FollowServerBankTest, KeepsTheBankWhenThereIsNothingToFollow) {
  for (const char* bank : {"01", "20", "99", "-1"}) {
    const std::string line = statusLine(bank);
    EXPECT_FALSE(FollowServerBank(w_.get(), bytes(line), line.size())) << bank;
    EXPECT_EQ(w_->NumBanco, 1) << bank;
    EXPECT_EQ(w_->bandRowIdx, 3) << bank;
  }
}

// The far unit may change bank while this one transmits: the change waits
// for receive, and ends a tune that runs then.
TEST_F(FollowServerBankTest, WaitsForReceiveBeforeChangingBank) {
  writeHost("/opt/set/antenna_b2.txt", "!Vyr\n20m 14000000 14350000 1 2 0 0 0.0\n");
  const std::string line = statusLine("02");
  w_->ampStatus[1] = 0x01;
  EXPECT_TRUE(FollowServerBank(w_.get(), bytes(line), line.size()));
  EXPECT_FALSE(FollowServerBank(w_.get(), bytes(line), line.size()));  // already waiting
  EXPECT_FALSE(ApplyHeldBank(w_.get()));
  EXPECT_EQ(w_->NumBanco, 1);
  EXPECT_EQ(w_->bandRowIdx, 3);
  w_->ampStatus[1] = 0x00;
  w_->tunerRunning = 1;
  EXPECT_TRUE(ApplyHeldBank(w_.get()));
  EXPECT_EQ(w_->NumBanco, 2);
  EXPECT_EQ(w_->ModeWorkIdx, 1);
  EXPECT_EQ(w_->tunerRunning, 0);
  EXPECT_FALSE(ApplyHeldBank(w_.get()));  // once
}

TEST_F(FollowServerBankTest, TheFarUnitsBankKeyWaitsForReceiveToo) {
  w_->ampStatus[1] = 0x01;
  RequestNextBank(w_.get());
  EXPECT_EQ(w_->NumBanco, 1);
  w_->ampStatus[1] = 0x00;
  EXPECT_TRUE(ApplyHeldBank(w_.get()));
  EXPECT_EQ(w_->NumBanco, 2);
  RequestNextBank(w_.get());  // in receive: at once
  EXPECT_EQ(w_->NumBanco, 3);
}

}  // namespace
