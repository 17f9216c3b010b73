#include "links/spectrum_fft.h"

#include <cmath>
#include <mutex>
#include <numbers>

namespace {

// FFTW's planner keeps global state; planning from two threads at once corrupts it.
std::mutex& PlannerMutex() {
  static std::mutex m;
  return m;
}

// 4-term Blackman-Harris; the first point is forced to zero as the receiving
// unit's plots were calibrated with it.
std::vector<double> BlackmanHarris(std::size_t n) {
  std::vector<double> w(n, 0.0);
  const double d = static_cast<double>(n - 1);
  for (std::size_t i = 1; i < n; ++i) {
    const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / d;
    w[i] = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
  }
  return w;
}

}  // namespace

void SpectrumFft::Make(Plan* p, std::size_t points) {
  p->points = points;
  p->window = BlackmanHarris(points);
  std::lock_guard lock(PlannerMutex());
  p->data = fftw_alloc_complex(points);
  p->plan = fftw_plan_dft_1d(static_cast<int>(points), p->data, p->data, FFTW_FORWARD, FFTW_ESTIMATE);
}

SpectrumFft::SpectrumFft() {
  Make(&small_, kSmallPoints);
  Make(&large_, kLargePoints);
}

SpectrumFft::~SpectrumFft() {
  std::lock_guard lock(PlannerMutex());
  for (Plan* p : {&small_, &large_}) {
    if (p->plan != nullptr) fftw_destroy_plan(p->plan);
    fftw_free(p->data);
  }
}

std::uint8_t SpectrumFft::LevelByte(double magnitude) {
  if (!(magnitude > 0.0)) return 0;  // zero or NaN: the floor, never undefined arithmetic
  double level = std::trunc(20.0 * std::log10(magnitude));
  if (level < -192.0) level = -192.0;
  if (level > 50.0) level = 50.0;
  return static_cast<std::uint8_t>(static_cast<int>(level) + 192);
}

std::vector<std::uint8_t> SpectrumFft::Compute(const float* samples, std::size_t count, bool large) {
  Plan& p = large ? large_ : small_;
  const std::size_t n = p.points;
  if (samples == nullptr || count < 2 * n) return {};
  for (std::size_t j = 0; j < n; ++j) {
    p.data[j][0] = samples[2 * j] * p.window[j];
    p.data[j][1] = samples[2 * j + 1] * p.window[j];
  }
  fftw_execute(p.plan);

  // Negative frequencies first, so the tuned frequency sits in the middle.
  const double half = static_cast<double>(n / 2);
  std::vector<std::uint8_t> bins(n);
  for (std::size_t j = 0; j < n; ++j) {
    const double m = std::hypot(p.data[j][0] / half, p.data[j][1] / half);
    bins[(j + n / 2) % n] = LevelByte(m);
  }
  const std::size_t first = large ? 341 : 170;
  const std::size_t outCount = large ? kLargeOutput : kSmallOutput;
  std::vector<std::uint8_t> out(outCount);
  for (std::size_t c = 0; c < outCount; ++c) out[c] = bins[first + 2 * c];
  return out;
}
