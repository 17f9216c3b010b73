#pragma once
#include <atomic>
#include <cstdint>

inline constexpr int kFftBins = 1024;
// Values of the displayed window, at the start of the display array (bufferA),
// as dB floats in the 32-bit slots.
inline constexpr int kFftDisplayBins = 854;

// The spectrum record: two buffers of bins, zeroed at start.
struct FftRecord {
  std::atomic<int32_t>* bufferA;
  std::atomic<int32_t>* bufferB;
};
