// The front-panel exchange without the thread: the program's bit sequence
// against the simulated microcontroller's decoder, fed after every line change,
// and the choice of what each exchange slot sends.
#include "display/tiny_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "state/init_globals.h"
#include "state/tiny_cmd.h"
#include "panel_wire.h"
#include "platform/log.h"
#include "works_fixture.h"

namespace {

// The two lines as wires between TinyExchange and the simulated panel. It also
// checks the line discipline the panel relies on.
class WiredPanel : public TinyWire {
 public:
  explicit WiredPanel(uint16_t reply)
      : panel_([reply](uint8_t) { return reply; }, [this](const sim::PanelWire::Exchange& e) { done_ = e; }) {}

  void setClock(bool high) override {
    lines_.clock = high;
    feed();
  }
  void setData(bool high) override {
    if (lines_.clock == false && high != lines_.data) dataChangedWhileClockLow_ = true;
    lines_.data = high;
    feed();
  }
  void dataAsInput(bool input) override {
    lines_.dataIsOutput = !input;
    feed();
  }
  bool readData() override {
    EXPECT_FALSE(lines_.dataIsOutput) << "read while the data line is an output";
    EXPECT_FALSE(lines_.clock) << "the reply is sampled with the clock low";
    return driven_;
  }
  void waitUs(long us) override { waitedUs_ += us; }

  std::optional<sim::PanelWire::Exchange> done_;
  long waitedUs_ = 0;
  bool dataChangedWhileClockLow_ = false;
  sim::PanelWire::Lines lines_;

 private:
  void feed() { driven_ = panel_.feed(lines_); }
  sim::PanelWire panel_;
  bool driven_ = true;
};

TEST(TinyExchange, EveryCodeAndReplyCrossTheWireIntact) {
  const uint8_t codes[] = {176, 197, 181, 149, 165, 133, 0xD1, 0xD2, 0xD3, 0x00, 0xFF, 0x5A};
  const uint16_t replies[] = {0x000, 0xFFF, 0x1A5, 0x2C3, 0x800, 0x001};
  for (uint8_t code : codes) {
    for (uint16_t reply : replies) {
      SCOPED_TRACE("code " + std::to_string(code) + " reply " + std::to_string(reply));
      WiredPanel wire(reply);
      EXPECT_EQ(TinyExchange(wire, code), reply);
      ASSERT_TRUE(wire.done_);
      EXPECT_EQ(wire.done_->code, code);
      EXPECT_EQ(wire.done_->commandBits, 8);
      EXPECT_EQ(wire.done_->replyBits, 12);
      EXPECT_FALSE(wire.done_->garbled);
      EXPECT_FALSE(wire.dataChangedWhileClockLow_) << "data may change only while the clock is high";
      // Both lines idle high, the data line an output again.
      EXPECT_TRUE(wire.lines_.clock);
      EXPECT_TRUE(wire.lines_.data);
      EXPECT_TRUE(wire.lines_.dataIsOutput);
    }
  }
}

TEST(TinyExchange, TakesAboutTenMillisecondsOfSteps) {
  WiredPanel wire(0);
  TinyExchange(wire, 0xD1);
  // 8 x 3 steps out, the turnaround, 12 x 2 steps in.
  EXPECT_EQ(wire.waitedUs_, 8 * 600 + 600 + 12 * 400);
}

class TinySchedule : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());
    platform::setLogObserver([this](const std::string& s) { log_ += s; });
  }
  void TearDown() override {
    platform::setLogObserver({});
    WorksTest::TearDown();
  }
  // Runs polls with an exchange that completes at once; returns the codes
  // sent, with the poll number of each.
  std::vector<std::pair<int, int>> run(int polls) {
    std::vector<std::pair<int, int>> sent;
    for (int i = 0; i < polls; ++i) {
      ScheduleTinyExchange(w_.get());
      if (w_->tinyCmdActive != kTinyIdle) {
        sent.emplace_back(poll_, w_->tinyCmdActive.load());
        w_->tinyCmdActive = kTinyIdle;
      }
      ++poll_;
    }
    return sent;
  }
  int poll_ = 0;
  std::string log_;
};

using ::testing::ElementsAre;
using ::testing::Pair;

TEST_F(TinySchedule, StartsWith176ThenReadsTheRailsRoundRobin) {
  EXPECT_EQ(w_->tinyCmdActive, 176) << "the first command, sent before any slot";
  w_->tinyCmdActive = kTinyIdle;
  // Slots are 201 polls apart: the slot itself and 200 polls of delay. The
  // fifth slot of each round sends nothing.
  EXPECT_THAT(run(6 * 201),
              ElementsAre(Pair(0, 0xD1), Pair(201, 0xD2), Pair(402, 0xD3), Pair(603, 0xD3), Pair(1005, 0xD1)));
}

TEST_F(TinySchedule, APostedCommandTakesTheNextSlotBeforeAnyReading) {
  w_->tinyCmdActive = kTinyIdle;
  ASSERT_THAT(run(202), ElementsAre(Pair(0, 0xD1), Pair(201, 0xD2)));
  run(100);
  ASSERT_TRUE(PostTinyCmd(w_.get(), 149));
  EXPECT_THAT(run(200), ElementsAre(Pair(402, 149)));
  EXPECT_EQ(w_->tinyCmd, 0) << "the mailbox is emptied for the next poster";
  EXPECT_THAT(log_, ::testing::HasSubstr("CMD TINY 95\n"));
  // The round robin carries on where it was.
  EXPECT_THAT(run(201), ElementsAre(Pair(603, 0xD3)));
}

TEST_F(TinySchedule, NothingMovesWhileAnExchangeIsDue) {
  w_->tinyCmdActive = 0xD2;
  w_->tinyPollDelay = 0;
  w_->tinyCmd = 181;
  for (int i = 0; i < 10; ++i) ScheduleTinyExchange(w_.get());
  EXPECT_EQ(w_->tinyCmdActive, 0xD2);
  EXPECT_EQ(w_->tinyCmd, 181);
  EXPECT_EQ(w_->tinyPollDelay, 0);
}

TEST_F(TinySchedule, RepliesLandInTheSlotOfTheCommandsLowBits) {
  const struct {
    uint8_t code;
    uint16_t reply;
    std::atomic<uint8_t> Works::*slot;
  } cases[] = {{176, 0x321, &Works::tinyReply0},  {0xD1, 0xF8D, &Works::tinyReply1}, {0xD2, 0x0A0, &Works::tinyReply2},
               {0xD3, 0x14D, &Works::tinyReply3}, {197, 0x077, &Works::tinyReply1},  {133, 0x9FF, &Works::tinyReply1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    w_->tinyReply0 = w_->tinyReply1 = w_->tinyReply2 = w_->tinyReply3 = 0;
    w_->tinyCmdActive = c.code;
    WiredPanel wire(c.reply);
    RunTinyExchange(w_.get(), wire);
    EXPECT_EQ((w_.get()->*c.slot).load(), c.reply & 0xFF) << "only the low byte is kept";
    EXPECT_EQ(w_->tinyReply0 + w_->tinyReply1 + w_->tinyReply2 + w_->tinyReply3, c.reply & 0xFF)
        << "no other slot written";
    EXPECT_EQ(w_->tinyCmdActive, kTinyIdle);
  }
  // Idle: no exchange at all.
  WiredPanel wire(0xFFF);
  RunTinyExchange(w_.get(), wire);
  EXPECT_FALSE(wire.done_);
  EXPECT_EQ(wire.waitedUs_, 0);
}

}  // namespace
