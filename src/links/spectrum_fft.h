#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include <fftw3.h>

// Turns one block of scaled receiver samples (interleaved I, Q floats) into
// the byte spectrum the peer draws: windowed FFT, dB bytes, decimated to the
// plot width. FFTW plans are costly to make and not safe to make from several
// threads, so both sizes are planned once, here, and reused for every block.
class SpectrumFft {
 public:
  static constexpr std::size_t kSmallPoints = 2048;
  static constexpr std::size_t kLargePoints = 4096;
  static constexpr std::size_t kSmallOutput = 854;
  static constexpr std::size_t kLargeOutput = 1706;

  SpectrumFft();
  ~SpectrumFft();
  SpectrumFft(const SpectrumFft&) = delete;
  SpectrumFft& operator=(const SpectrumFft&) = delete;

  // samples holds count floats (I, Q pairs); the first N complex samples are
  // used, N chosen by large. Returns 854 or 1706 bytes; empty when the block
  // is too short for the chosen size (a short transfer must not be read past).
  std::vector<std::uint8_t> Compute(const float* samples, std::size_t count, bool large);

  // One dB byte for a bin magnitude: 0 dB is 192, clamped to 0 ... 242.
  static std::uint8_t LevelByte(double magnitude);

 private:
  struct Plan {
    std::size_t points = 0;
    fftw_complex* data = nullptr;
    fftw_plan plan = nullptr;
    std::vector<double> window;
  };
  static void Make(Plan* p, std::size_t points);
  Plan small_;
  Plan large_;
};
