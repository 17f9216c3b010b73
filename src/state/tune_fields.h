#pragma once
// Fields of `works` owned by antenna tuning: the tune word, its decoded parts
// and the semaphore that serialises its writers.
#include <atomic>
#include <cstdint>

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
