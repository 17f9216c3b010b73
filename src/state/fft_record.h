#pragma once
#include <atomic>
#include <cstdint>

inline constexpr int kFftBins = 1024;

// The spectrum record: two buffers of bins, zeroed at start.
struct FftRecord {
  std::atomic<int32_t>* bufferA;
  std::atomic<int32_t>* bufferB;
};
