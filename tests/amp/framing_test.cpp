// Checksum, reply framing and the command texts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "amp/crc8.h"
#include "amp/link_commands.h"
#include "amp/link_frame.h"
#include "amp/link_state.h"
#include "state/init_globals.h"
#include "works_fixture.h"

namespace {

std::string framed(const std::string& text) {
  char sum[3];
  std::snprintf(sum, sizeof sum, "%02X", Sys_Crc8Calculation(text.data(), text.size()));
  return sum + text;
}

struct FeedResult {
  std::vector<std::string> replies;
  int badChecks = 0, runts = 0, overflows = 0;
};

FeedResult feed(const std::string& bytes) {
  ReplyFramer rx;
  FeedResult r;
  for (char c : bytes) {
    switch (rx.push(c)) {
      case ReplyFramer::Event::Reply:
        r.replies.emplace_back(rx.text());
        break;
      case ReplyFramer::Event::BadCheck:
        ++r.badChecks;
        break;
      case ReplyFramer::Event::Runt:
        ++r.runts;
        break;
      case ReplyFramer::Event::Overflow:
        ++r.overflows;
        break;
      case ReplyFramer::Event::None:
        break;
    }
  }
  return r;
}

}  // namespace

TEST(Crc8, CheckValueAndStatusRequest) {
  EXPECT_EQ(Sys_Crc8Calculation("123456789", 9), 0xA1);
  EXPECT_EQ(Sys_Crc8Calculation("ST;", 3), 0x4D);
  EXPECT_EQ(Sys_Crc8Calculation("", 0), 0x00);
}

TEST(ReplyFramer, HostileInputTable) {
  std::string st = framed("ST0000000000000000000000000000000000;");
  std::string wrong = st;
  wrong[0] = wrong[0] == '0' ? '1' : '0';
  std::string lower = st;
  for (int i = 0; i < 2; ++i) lower[i] = static_cast<char>(std::tolower(lower[i]));
  struct Case {
    const char* name;
    std::string bytes;
    size_t replies;
    int bad, runts, overflows;
  } cases[] = {
      {"plain reply", st, 1, 0, 0, 0},
      {"two back to back", st + framed("FA00007050000;"), 2, 0, 0, 0},
      {"lower-case checksum digits", lower, 1, 0, 0, 0},
      {"leading garbage", "x#Q9!" + st, 1, 0, 0, 0},
      {"wrong checksum", wrong, 0, 1, 0, 0},
      {"lone semicolon", ";", 0, 0, 1, 0},
      {"checksum only", "4D;", 0, 0, 1, 0},
      {"interrupted then whole", st.substr(0, 12) + st, 1, 0, 0, 0},
      {"600 characters without ;", std::string(600, 'A'), 0, 0, 0, 1},
      {"over-long then good", std::string(500, '7') + st, 1, 0, 0, 1},
  };
  for (const Case& c : cases) {
    FeedResult r = feed(c.bytes);
    EXPECT_EQ(r.replies.size(), c.replies) << c.name;
    EXPECT_EQ(r.badChecks, c.bad) << c.name;
    EXPECT_EQ(r.runts, c.runts) << c.name;
    EXPECT_EQ(r.overflows, c.overflows) << c.name;
    for (const std::string& text : r.replies) EXPECT_EQ(text.back(), ';') << c.name;
  }
  EXPECT_EQ(feed("zz" + st).replies.at(0), st.substr(2));
}

TEST(ReplyFramer, BadCheckReportsComputedUpperCase) {
  ReplyFramer rx;
  ReplyFramer::Event ev = ReplyFramer::Event::None;
  for (char c : std::string("00ST;")) ev = rx.push(c);
  ASSERT_EQ(ev, ReplyFramer::Event::BadCheck);
  EXPECT_STREQ(rx.computed(), "4D");
  EXPECT_EQ(rx.raw(), "00ST;");
}

class CommandText : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());
  }
};

TEST_F(CommandText, WriteLinearPortSendsLowerCaseChecksumThenText) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  counterrortimeout = 77;
  EXPECT_TRUE(writeLinearPort(fds[1], "ST;", 3, w_.get()));
  char buf[16] = {};
  ASSERT_EQ(read(fds[0], buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "4dST;");
  EXPECT_EQ(counterrortimeout, 0);
  close(fds[0]);
  close(fds[1]);
}

TEST_F(CommandText, TextsAndLengthsOfTheTable) {
  w_->freq = 7050000;
  w_->tuneWord = 0x00850001;
  w_->antennaIndex = 1;
  w_->anMode = 1;
  w_->FreqSensIn = 1;
  w_->FreqPeriodTime = 100;
  w_->sogliaPWIN = 4095;
  w_->sogliaFWD = 3000;
  w_->sogliaREFL = 1500;
  w_->sogliaCorrente = 3700;
  w_->fanPercent = 50;
  w_->PSpar1 = 1;
  w_->PSpar2 = 1000;
  w_->filterMask = 0x20;
  w_->GMpar1 = 2;
  w_->GMpar2 = 100;
  w_->Attenuator = 2;
  w_->AttenuatorTune = 1;
  struct Row {
    int code;
    const char* text;
    size_t length;
  } rows[] = {{0, "VSM;", 4},
              {1, "ST;", 3},
              {7, "SA2;", 4},
              {8, "FM;", 3},
              {9, "FA00007050000;", 14},
              {10, "MT;", 3},
              {11, "MT100850001;", 12},
              {12, "FS10010;", 8},
              {13, "CPFFFF;", 7},
              {14, "AT10;", 5},
              {15, "AT01;", 5},
              {16, "AT11;", 5},
              {17, "MP0;", 4},
              {18, "MP1;", 4},
              {19, "AB0;", 4},
              {20, "AB1;", 4},
              {21, "AN1;", 4},
              {22, "TS4095300015003700;", 19},
              {23, "FN1050;", 7},
              {24, "PS0001100000000000;", 19},
              {28, "SF3000020;", 10},
              {30, "MR1;", 4},
              {32, "MR0;", 4},
              {33, "GM00020100;", 11},
              {34, "GS;", 3},
              {36, "ER0000;", 7},
              {37, "ER0001;", 7},
              {38, "ER0002;", 7}};
  for (const Row& r : rows) {
    std::string text = FormatLinearCommand(w_.get(), r.code);
    EXPECT_EQ(text, r.text) << "code " << r.code;
    EXPECT_EQ(text.size(), r.length) << "code " << r.code;
  }
  EXPECT_EQ(FormatLinearCommand(w_.get(), 99), "");
}

TEST_F(CommandText, OutOfRangeValuesKeepTheFieldWidths) {
  w_->sogliaPWIN = 70000;
  w_->sogliaFWD = -5;
  w_->fanPercent = 250;
  w_->antennaIndex = -1;
  EXPECT_EQ(FormatLinearCommand(w_.get(), 22).size(), 19u);
  EXPECT_EQ(FormatLinearCommand(w_.get(), 22).substr(0, 10), "TS40950000");
  EXPECT_EQ(FormatLinearCommand(w_.get(), 23), "FN1100;");
  EXPECT_EQ(FormatLinearCommand(w_.get(), 7), "SA1;");
}

TEST_F(CommandText, GeneralSettingsCarryTheWorkModeBit) {
  std::strcpy(w_->gsString, "0000000000");
  w_->ModeWorkIdx = 0;
  EXPECT_EQ(FormatLinearCommand(w_.get(), 35), "GS0200000000;");
  w_->ModeWorkIdx = 1;
  std::strcpy(w_->gsString, "0300000000");
  EXPECT_EQ(FormatLinearCommand(w_.get(), 35), "GS0100000000;");
  w_->gsString[0] = 0;  // never read: no "GS;" read disguised as a write
  EXPECT_EQ(FormatLinearCommand(w_.get(), 35), "");
}
