#pragma once
// Fields of `works` owned by the display and input devices.
#include <atomic>
#include <cstdint>

struct DisplayFields {
  std::atomic<uint8_t> tinyCmdActive;  // code the GPIO thread sends first; 255 idle
  // Screen position of a background picture's top-left corner; 0, 0 for the
  // full-screen pictures.
  std::atomic<int> imgX, imgY;
};
