#pragma once
// The attenuator steps as the screens name them (`AttVectStr`): 0, 2, 3 and
// 5 dB for steps 0..3.

// The label of step `att`, or "?" for a step the amplifier does not have, so a
// bad value never indexes past the table.
inline const char* AttText(int att) {
  static constexpr const char* kAttVectStr[] = {"0", "2", "3", "5"};
  return att >= 0 && att < 4 ? kAttVectStr[att] : "?";
}
