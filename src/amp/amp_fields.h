#pragma once
// Fields of `works` owned by the amplifier subsystem: the link and its command
// ring, the decoded status, thresholds, temperatures and fan, and the errors.
#include <atomic>
#include <cstdint>
#include <mutex>

inline constexpr int kCmdQueueSize = 30;

struct AmpFields {
  // Amplifier link.
  std::atomic<int> linFD;
  std::atomic<int32_t> cmdQueue[kCmdQueueSize];
  std::atomic<int> cmdQueueIn, cmdQueueOut;
  std::atomic<uint8_t> cmdQueueActive;
  std::mutex cmdQueueMutex;  // serialises producers of the ring
  std::atomic<uint8_t> microResetArmed;

  // Identity read from the amplifier.
  std::atomic<int> ampType, ampVariant;

  // Decoded status.
  std::atomic<int> ampBypass;

  // Protection thresholds sent with "TS" (raw 0..4095) and the band segment in force.
  std::atomic<int> sogliaPWIN, sogliaFWD, sogliaREFL, sogliaCorrente;
  std::atomic<int> sogliaIdx;

  // Fan.
  std::atomic<int> fanPercentSent;

  // Errors.
  std::atomic<int> errorsMuted;
};
