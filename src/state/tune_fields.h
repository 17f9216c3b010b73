#pragma once
// Fields of `works` owned by antenna tuning: the tune word, its decoded parts
// and the semaphore that serialises its writers.
#include <atomic>
#include <cstdint>

// Bits of `AutoTuneMode`: the setting (bit 0) and the tune-on-transmit
// handshake between the tune key, the timer loop and the external IO link.
inline constexpr uint8_t kAtmEnabled = 0x01;     // the setting
inline constexpr uint8_t kAtmStarted = 0x02;     // this handshake started a tune
inline constexpr uint8_t kAtmEnded = 0x04;       // a tune ended
inline constexpr uint8_t kAtmEndSeen = 0x08;     // the link has seen the end
inline constexpr uint8_t kAtmKeyStarted = 0x10;  // a tune was started from the tune key
inline constexpr uint8_t kAtmReady = 0x20;       // this side is ready
inline constexpr uint8_t kAtmReadyAcked = 0x40;  // the link acknowledged ready

struct TuneFields {
  std::atomic<uint32_t> tuneWord;     // C bits, L bits and network mode, sent as "MT1%08X;"
  std::atomic<int32_t> tuneC, tuneL;  // settings decoded from the word, 0..511
  std::atomic<uint8_t> tuneMode;      // 0 none, 1 "CL", 2 "LC", 3 bypass
  std::atomic<uint8_t> atuBypass;     // 1 while the word is in bypass mode
  std::atomic<uint8_t> tuneSem;       // 1 = a writer holds the tune word
  std::atomic<uint8_t> tunerRunning;  // 0 idle, 1 automatic tune, 2 waiting after a fault
  std::atomic<int> tuneStepNo;        // step of the automatic tune, 0 at its start
  std::atomic<uint8_t> manualMode;    // 1 while the manual tune page is in use
};
