#pragma once
// The six front-panel buttons as the GPIO thread sees them on every poll:
// debounce, then press timing (short press, long press, auto-repeat).
//
// Debounce: each button has an accepted level (released at start) and a change
// counter. Every poll whose raw level differs from the accepted one counts;
// the sixth such poll accepts the new level, but only while the five other
// buttons are at their accepted released level. A single agreeing poll leaves
// the counter as it is, so a bouncing contact still gets through after six
// differing samples in all; three agreeing polls in a row are a quiet period
// and reset it, so isolated glitches never add up to a press. A second button
// is ignored until the first is let go.
//
// Timing: one timer serves all buttons; it starts when a press is accepted.
// While the button stays down the key is offered once the threshold has
// passed: the long-press time for the first offer, then 0.1 s between repeats,
// 0.02 s after the 14th. A key that does not want to repeat is offered once
// only, and gives no short press on release; any other key gets its short
// press on release. Shortly (0.15 s) before each offer a hint is raised, so the
// screen can say a second function is coming.
//
// The clock is injected (monotonic seconds on the board), so the timing is
// tested without waiting.
#include <cstdint>

class ButtonPanel {
 public:
  static constexpr int kButtons = 6;
  static constexpr int kSamplesToChange = 6;
  static constexpr int kQuietSamples = 3;  // agreeing polls that reset the count
  static constexpr double kRepeatSeconds = 0.1;
  static constexpr double kFastRepeatSeconds = 0.02;
  static constexpr int kSlowRepeats = 14;
  static constexpr double kHintLeadSeconds = 0.15;

  // What the panel needs from its owner.
  class Events {
   public:
    virtual ~Events() = default;
    // Monotonic seconds.
    virtual double now() = 0;
    // A key: button 1-6; longFlags 0 for a short press, else the held mask with
    // the button's bit. Nonzero asks for auto-repeat.
    virtual int key(int button, int longFlags) = 0;
    // A long press or a repeat is less than 0.15 s away.
    virtual void hint() = 0;
  };

  explicit ButtonPanel(Events& events) : events_(events) {}

  // One poll. `releasedBits` holds buttons 1-6 in bits 0-5 as the pins read
  // them (1 = released); `longPressSeconds` is the current long-press time.
  void poll(uint32_t releasedBits, double longPressSeconds);

  // State, for tests and diagnostics.
  bool pressed(int button) const { return level_[button - 1] == 0; }
  int repeats() const { return repeats_; }
  uint8_t heldMask() const { return held_; }

 private:
  bool othersReleased(int index) const;
  void accepted(int index);
  void time(int index, double longPressSeconds);

  Events& events_;
  uint8_t level_[kButtons] = {1, 1, 1, 1, 1, 1};  // accepted levels, 1 = released
  uint8_t changes_[kButtons] = {};
  uint8_t quiet_[kButtons] = {};  // agreeing polls in a row since the last change
  uint8_t held_ = 0;    // buttons whose long press fired and did not repeat
  int timed_ = -1;      // index of the button being timed
  double started_ = 0;  // when its timer (re)started
  int repeats_ = 0;     // repeats of the timed button so far
};
