#include "links/spectrum_countdown.h"
#include "links/spectrum_fft.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr std::size_t kFloats = 8192;  // one transfer: 4096 complex samples

// A complex tone sitting exactly on FFT bin `bin` of an n-point transform.
std::vector<float> Tone(std::size_t n, int bin, double amplitude) {
  std::vector<float> s(kFloats);
  for (std::size_t j = 0; j < kFloats / 2; ++j) {
    const double ph = 2.0 * std::numbers::pi * bin * static_cast<double>(j) / static_cast<double>(n);
    s[2 * j] = static_cast<float>(amplitude * std::cos(ph));
    s[2 * j + 1] = static_cast<float>(amplitude * std::sin(ph));
  }
  return s;
}

// The same spectrum by the textbook DFT, to check FFTW's use (sign, scale,
// window, reordering, decimation) independently of it.
std::vector<std::uint8_t> DirectSpectrum(const std::vector<float>& s, std::size_t n) {
  std::vector<double> w(n, 0.0);
  for (std::size_t i = 1; i < n; ++i) {
    const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n - 1);
    w[i] = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
  }
  std::vector<std::uint8_t> bins(n);
  for (std::size_t k = 0; k < n; ++k) {
    std::complex<double> acc = 0;
    for (std::size_t j = 0; j < n; ++j) {
      const double ang = -2.0 * std::numbers::pi * static_cast<double>(k * j % n) / static_cast<double>(n);
      acc += std::complex<double>(s[2 * j] * w[j], s[2 * j + 1] * w[j]) * std::polar(1.0, ang);
    }
    bins[(k + n / 2) % n] = SpectrumFft::LevelByte(std::abs(acc) / static_cast<double>(n / 2));
  }
  const std::size_t first = n == 4096 ? 341 : 170, count = n == 4096 ? 1706 : 854;
  std::vector<std::uint8_t> out(count);
  for (std::size_t c = 0; c < count; ++c) out[c] = bins[first + 2 * c];
  return out;
}

std::size_t PeakIndex(const std::vector<std::uint8_t>& v) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < v.size(); ++i)
    if (v[i] > v[best]) best = i;
  return best;
}

}  // namespace

TEST(SpectrumFft, LevelBytesFollowTheDbScaleAndClamp) {
  EXPECT_EQ(SpectrumFft::LevelByte(1.0), 192);
  EXPECT_EQ(SpectrumFft::LevelByte(10.0), 212);
  EXPECT_EQ(SpectrumFft::LevelByte(1e3), 242);
  EXPECT_EQ(SpectrumFft::LevelByte(1e-10), 0);
  EXPECT_EQ(SpectrumFft::LevelByte(0.0), 0);
  EXPECT_EQ(SpectrumFft::LevelByte(std::nan("")), 0);
}

TEST(SpectrumFft, ToneLandsOnItsOutputPointAndMatchesDirectDftForBothSizes) {
  SpectrumFft fft;
  for (bool large : {false, true}) {
    const std::size_t n = large ? 4096 : 2048;
    const std::size_t first = large ? 341 : 170;
    for (int bin : {-400, -2, 0, 6, 300}) {
      SCOPED_TRACE(testing::Message() << "n=" << n << " bin=" << bin);
      const auto s = Tone(n, bin, 0.5);
      const auto out = fft.Compute(s.data(), s.size(), large);
      ASSERT_EQ(out.size(), large ? 1706u : 854u);
      // Reordered bin index n/2 + bin, decimated by two from `first`.
      EXPECT_EQ(PeakIndex(out), (n / 2 + bin - first) / 2);
      const auto direct = DirectSpectrum(s, n);
      for (std::size_t c = 0; c < out.size(); ++c) ASSERT_NEAR(out[c], direct[c], 1) << "point " << c;
    }
  }
}

TEST(SpectrumFft, SwitchingSizeBetweenBlocksAndShortBlocks) {
  SpectrumFft fft;
  const auto s = Tone(2048, 10, 0.5);
  EXPECT_EQ(fft.Compute(s.data(), s.size(), true).size(), 1706u);
  EXPECT_EQ(fft.Compute(s.data(), s.size(), false).size(), 854u);
  // A short transfer must not be read past its end.
  EXPECT_TRUE(fft.Compute(s.data(), 4000, false).empty());
  EXPECT_EQ(fft.Compute(s.data(), 4096, false).size(), 854u);
  EXPECT_TRUE(fft.Compute(s.data(), 4096, true).empty());
}

TEST(SpectrumCountdown, OneSpectrumPerDivideTransfersAndNoneLostBelowOne) {
  for (int divide : {1, 3, 7}) {
    SpectrumCountdown cd;
    int due = 0;
    for (int i = 0; i < divide * 5; ++i) due += cd.Tick(divide);
    EXPECT_EQ(due, 5) << "divide " << divide;
  }
  SpectrumCountdown zero;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(zero.Tick(0));
}
