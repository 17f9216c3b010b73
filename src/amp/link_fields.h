#pragma once
// Fields of `works` for the amplifier link, its command ring and the decoded
// replies and status.
#include <atomic>
#include <cstdint>
#include <mutex>

inline constexpr int kCmdQueueSize = 30;

struct AmpLinkFields {
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
};
