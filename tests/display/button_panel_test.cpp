// The button state machine with a clock the test moves: debounce, short and
// long presses, auto-repeat timing and two buttons at once.
#include "display/button_panel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t kAllReleased = 0x3F;
constexpr double kPoll = 0.002;
constexpr double kLongPress = 0.5;

uint32_t down(std::initializer_list<int> buttons) {
  uint32_t bits = kAllReleased;
  for (int b : buttons) bits &= ~(1u << (b - 1));
  return bits;
}

struct Call {
  int button;
  int flags;
  double at;
};

class FakeEvents : public ButtonPanel::Events {
 public:
  double clock = 100.0;  // arbitrary origin: nothing may assume zero
  std::vector<Call> calls;
  std::vector<double> hints;
  int repeatCalls = 0;  // how many long calls answer "repeat"

  double now() override { return clock; }
  int key(int button, int flags) override {
    calls.push_back({button, flags, clock});
    if (flags == 0) return 0;
    return repeatCalls-- > 0 ? 1 : 0;
  }
  void hint() override { hints.push_back(clock); }
};

class ButtonPanelTest : public ::testing::Test {
 protected:
  // `n` polls of the same raw levels, kPoll apart.
  void polls(uint32_t levels, int n, double longPress = kLongPress) {
    for (int i = 0; i < n; ++i) {
      panel_.poll(levels, longPress);
      events_.clock += kPoll;
    }
  }
  // Polls with the levels until `seconds` have passed.
  void holdFor(uint32_t levels, double seconds) { polls(levels, static_cast<int>(seconds / kPoll + 0.5)); }

  FakeEvents events_;
  ButtonPanel panel_{events_};
};

// Raw sample sequences for one button and whether its press is accepted at
// the end, and after how many samples.
struct DebounceCase {
  const char* name;
  std::string samples;  // 'p' pressed, 'r' released, one poll each
  int acceptedAfter;    // samples until accepted; 0 = never
};

TEST_F(ButtonPanelTest, DebounceCountsSixDifferingSamplesUntilAQuietPeriod) {
  const std::string glitches = [] {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "prrr";  // one noisy poll every 8 ms
    return s;
  }();
  const DebounceCase cases[] = {
      {"clean press", "pppppppp", 6},
      {"five samples are not enough", "pppppr", 0},
      {"the count survives two agreeing samples",
       "pppppr"
       "r"
       "p",
       8},
      {"three agreeing samples are a quiet period",
       "pppppr"
       "rr"
       "p",
       0},
      {"bouncing contact", "prprprprprp", 11},
      {"a single glitch never presses", "prrrrrrrrrr", 0},
      {"isolated glitches never add up", glitches, 0},
      {"a held level after the glitches presses", glitches + "pppppp", static_cast<int>(glitches.size()) + 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEvents events;
    ButtonPanel panel(events);
    int acceptedAt = 0;
    for (size_t i = 0; i < c.samples.size(); ++i) {
      panel.poll(c.samples[i] == 'p' ? down({4}) : kAllReleased, kLongPress);
      if (!acceptedAt && panel.pressed(4)) acceptedAt = static_cast<int>(i + 1);
    }
    EXPECT_EQ(acceptedAt, c.acceptedAfter);
    EXPECT_TRUE(events.calls.empty());
  }
}

TEST_F(ButtonPanelTest, ShortPressIsReportedOnReleaseWithoutHint) {
  holdFor(down({2}), 0.2);
  EXPECT_TRUE(events_.calls.empty()) << "nothing while the button is down";
  polls(kAllReleased, 6);
  ASSERT_EQ(events_.calls.size(), 1u);
  EXPECT_EQ(events_.calls[0].button, 2);
  EXPECT_EQ(events_.calls[0].flags, 0);
  EXPECT_TRUE(events_.hints.empty());
  // Every button reports its own number.
  for (int b = 1; b <= 6; ++b) {
    events_.calls.clear();
    polls(down({b}), 10);
    polls(kAllReleased, 10);
    ASSERT_EQ(events_.calls.size(), 1u);
    EXPECT_EQ(events_.calls[0].button, b);
  }
}

TEST_F(ButtonPanelTest, LongPressFiresOnceAfterTheLongPressTimeAndNoShortPressFollows) {
  const double pressedAt = events_.clock;
  holdFor(down({3}), 2.0);
  ASSERT_EQ(events_.calls.size(), 1u);
  EXPECT_EQ(events_.calls[0].button, 3);
  EXPECT_EQ(events_.calls[0].flags, 1 << 2);
  // Accepted on the sixth sample; fires on the first poll past the threshold.
  const double acceptedAt = pressedAt + 5 * kPoll;
  EXPECT_GT(events_.calls[0].at - acceptedAt, kLongPress);
  EXPECT_LE(events_.calls[0].at - acceptedAt, kLongPress + kPoll + 1e-9);
  // The hint comes 0.15 s before the long press, not earlier.
  ASSERT_FALSE(events_.hints.empty());
  EXPECT_GT(events_.hints.front() - acceptedAt, kLongPress - 0.15);
  EXPECT_LE(events_.hints.front() - acceptedAt, kLongPress - 0.15 + kPoll + 1e-9);
  polls(kAllReleased, 10);
  EXPECT_EQ(events_.calls.size(), 1u);
  EXPECT_EQ(panel_.heldMask(), 0) << "the release clears the held bit";
}

TEST_F(ButtonPanelTest, TheLongPressTimeIsReadOnEveryPoll) {
  polls(down({1}), 100, 1.5);  // 0.2 s: below both
  polls(down({1}), 100, 0.3);  // shortened while held: fires at 0.3 s
  ASSERT_EQ(events_.calls.size(), 1u);
  EXPECT_NEAR(events_.calls[0].at - (100.0 + 5 * kPoll), 0.3, kPoll + 1e-9);
}

TEST_F(ButtonPanelTest, RepeatingKeyRepeatsAtTenthsThenFiftiethsAndEndsWithAShortPress) {
  events_.repeatCalls = 1000;
  holdFor(down({6}), 3.0);
  polls(kAllReleased, 10);
  const auto& calls = events_.calls;
  ASSERT_GT(calls.size(), 20u);
  for (size_t i = 0; i + 1 < calls.size(); ++i) {
    EXPECT_EQ(calls[i].button, 6);
    EXPECT_EQ(calls[i].flags, 1 << 5) << "call " << i;
  }
  EXPECT_EQ(calls.back().flags, 0) << "the release after repeats is a short press";
  // Call 0 is the long press; calls 1..14 are repeats 1..14 at 0.1 s; from
  // repeat 15 on, 0.02 s. Each interval is the threshold plus at most a poll.
  for (size_t i = 1; i + 1 < calls.size(); ++i) {
    const double expected = i <= 14 ? 0.1 : 0.02;
    const double interval = calls[i].at - calls[i - 1].at;
    EXPECT_GT(interval, expected) << "repeat " << i;
    EXPECT_LE(interval, expected + kPoll + 1e-9) << "repeat " << i;
  }
  // Accepted after 0.01 s; the long press and 14 repeats take 0.5 + 14 x 0.1 s
  // (plus up to a poll each); the rest of the 3 s goes at 0.02 s plus a poll.
  const double slow = 0.01 + 0.502 + 14 * 0.102;
  EXPECT_NEAR(static_cast<double>(calls.size() - 2), 14 + (3.0 - slow) / 0.022, 3);
}

TEST_F(ButtonPanelTest, ARepeatRunEndsWhenTheHandlerSaysSoAndStartsAfreshOnTheNextPress) {
  events_.repeatCalls = 3;  // long call and two repeats ask for more; the fourth call does not
  holdFor(down({2}), 1.5);
  EXPECT_EQ(events_.calls.size(), 4u);
  EXPECT_EQ(panel_.repeats(), 3);
  polls(kAllReleased, 10);
  EXPECT_EQ(events_.calls.size(), 4u) << "the last call held the key: no short press";
  EXPECT_EQ(panel_.repeats(), 0);
  // The next press waits the full long-press time again.
  events_.calls.clear();
  const double start = events_.clock;
  holdFor(down({2}), 0.45);
  EXPECT_TRUE(events_.calls.empty());
  holdFor(down({2}), 0.1);
  ASSERT_EQ(events_.calls.size(), 1u);
  EXPECT_GT(events_.calls[0].at - start, kLongPress);
}

TEST_F(ButtonPanelTest, ASecondButtonWaitsUntilTheFirstIsReleased) {
  polls(down({2}), 10);
  ASSERT_TRUE(panel_.pressed(2));
  holdFor(down({2, 5}), 0.1);
  EXPECT_FALSE(panel_.pressed(5)) << "not accepted while button 2 is down";
  // Button 2 goes up with 5 still down: 2 needs its six samples, and 5, whose
  // count is already full, is taken in the same poll.
  polls(down({5}), 5);
  EXPECT_TRUE(panel_.pressed(2));
  EXPECT_FALSE(panel_.pressed(5));
  polls(down({5}), 1);
  EXPECT_FALSE(panel_.pressed(2));
  EXPECT_TRUE(panel_.pressed(5));
  polls(kAllReleased, 10);
  ASSERT_EQ(events_.calls.size(), 2u);
  EXPECT_EQ(events_.calls[0].button, 2);
  EXPECT_EQ(events_.calls[1].button, 5);
  EXPECT_EQ(events_.calls[1].flags, 0);
}

TEST_F(ButtonPanelTest, ASecondButtonPressedAndReleasedDuringALongPressIsLost) {
  holdFor(down({1}), 0.2);
  holdFor(down({1, 4}), 0.2);
  holdFor(down({1}), 0.5);
  polls(kAllReleased, 10);
  ASSERT_EQ(events_.calls.size(), 1u);
  EXPECT_EQ(events_.calls[0].button, 1);
  EXPECT_EQ(events_.calls[0].flags, 1);
  // The quiet period since forgot its count: one noisy sample later is no
  // press, six in a row are.
  polls(down({4}), 1);
  EXPECT_FALSE(panel_.pressed(4));
  polls(down({4}), 5);
  EXPECT_TRUE(panel_.pressed(4));
}

TEST_F(ButtonPanelTest, StartUpGivesNoKeyAndAButtonDownAtStartIsAPress) {
  polls(kAllReleased, 50);
  EXPECT_TRUE(events_.calls.empty()) << "released buttons at start are no release";
  FakeEvents events;
  ButtonPanel panel(events);
  for (int i = 0; i < 10; ++i) panel.poll(down({3}), kLongPress);
  EXPECT_TRUE(panel.pressed(3));
  for (int i = 0; i < 10; ++i) panel.poll(kAllReleased, kLongPress);
  ASSERT_EQ(events.calls.size(), 1u);
  EXPECT_EQ(events.calls[0].button, 3);
  EXPECT_EQ(events.calls[0].flags, 0);
}

}  // namespace
