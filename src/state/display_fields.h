#pragma once
// Fields of `works` owned by the display and input devices.
#include <atomic>
#include <cstdint>

struct DisplayFields {
  // Front-panel microcontroller exchange, run by the GPIO thread.
  std::atomic<uint8_t> tinyCmdActive;  // code being sent; 255 idle (176 at start, the first one sent)
  std::atomic<int> tinyPollDelay;      // polls left until the next exchange slot
  std::atomic<uint8_t> tinyPollIdx;    // round robin of the reading polls 0xD1, 0xD2, 0xD3
  // Last reply to a command whose two low bits are 0..3: the front panel's
  // version, then the 12 V rail, the 15 V rail and the amplifier supply
  // readings (volts through CalvTensVadcAmp).
  std::atomic<uint8_t> tinyReply0, tinyReply1, tinyReply2, tinyReply3;
  // Screen position of a background picture's top-left corner; 0, 0 for the
  // full-screen pictures.
  std::atomic<int> imgX, imgY;
  // Soft buttons held through the touch panel: bit b while button b + 1 is
  // touched. The GPIO thread reads them as pressed front-panel buttons, so a
  // touch takes the very same key path, on the same thread.
  std::atomic<uint8_t> touchHeld;
};
