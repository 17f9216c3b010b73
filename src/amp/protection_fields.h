#pragma once
// Fields of `works` for protection: thresholds, temperatures, fan and errors.
#include <atomic>
#include <cstdint>

struct AmpProtectionFields {
  // Protection thresholds sent with "TS" (raw 0..4095) and the band segment in force.
  std::atomic<int> sogliaPWIN, sogliaFWD, sogliaREFL, sogliaCorrente;
  std::atomic<int> sogliaIdx;

  // Fan.
  std::atomic<int> fanPercentSent;

  // Errors.
  std::atomic<int> errorsMuted;
};
