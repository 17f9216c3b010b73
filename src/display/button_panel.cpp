#include "display/button_panel.h"

void ButtonPanel::poll(uint32_t releasedBits, double longPressSeconds) {
  for (int i = 0; i < kButtons; ++i) {
    const uint8_t raw = (releasedBits >> i) & 1u;
    if (raw == level_[i]) {
      // A quiet period: the glitches before it were noise, not a press.
      if (quiet_[i] < kQuietSamples && ++quiet_[i] == kQuietSamples) changes_[i] = 0;
    } else {
      quiet_[i] = 0;
      if (changes_[i] < kSamplesToChange - 1) {
        ++changes_[i];
      } else if (othersReleased(i)) {
        level_[i] = raw;
        changes_[i] = 0;
        accepted(i);
      }
    }
    if (timed_ == i && level_[i] == 0 && !(held_ & (1u << i))) time(i, longPressSeconds);
  }
}

bool ButtonPanel::othersReleased(int index) const {
  for (int j = 0; j < kButtons; ++j)
    if (j != index && level_[j] == 0) return false;
  return true;
}

void ButtonPanel::accepted(int index) {
  const uint8_t bit = static_cast<uint8_t>(1u << index);
  if (level_[index] == 0) {
    if (timed_ < 0) {
      timed_ = index;
      started_ = events_.now();
    }
    return;
  }
  // Released. A key that fired its long press without repeating has had its
  // say; every other key (a plain press, or the last of a repeat run) gets its
  // short press now.
  if (!(held_ & bit)) events_.key(index + 1, 0);
  held_ = static_cast<uint8_t>(held_ & ~bit);
  if (timed_ == index) timed_ = -1;
  repeats_ = 0;
}

void ButtonPanel::time(int index, double longPressSeconds) {
  const uint8_t bit = static_cast<uint8_t>(1u << index);
  const double threshold = repeats_ == 0              ? longPressSeconds
                           : repeats_ <= kSlowRepeats ? kRepeatSeconds
                                                      : kFastRepeatSeconds;
  const double t = events_.now() - started_ - threshold;
  if (t > -kHintLeadSeconds) events_.hint();
  if (t <= 0) return;
  if (events_.key(index + 1, held_ | bit) != 0) {
    started_ = events_.now();
    ++repeats_;
  } else {
    held_ = static_cast<uint8_t>(held_ | bit);
  }
}
