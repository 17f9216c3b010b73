#include "links/ext_io_spectrum.h"

#include <algorithm>
#include <bit>
#include <mutex>

#include "state/ext_io_params.h"
#include "state/fft_record.h"
#include "state/works.h"

namespace {

constexpr int kWindowFirst = 85;
constexpr float kPointsPerOffsetStep = 0.005333f;

float decibels(uint8_t b) { return static_cast<float>(static_cast<int>(b) - 192); }

void storeDecibels(Works* w, int count, const uint8_t* bytes) {
  FftRecord* rec = w->fftRec;
  if (!rec || !rec->bufferA || !w->serMutexPtr) return;
  count = std::clamp(count, 0, kFftDisplayBins);
  std::lock_guard lock(*w->serMutexPtr);
  for (int i = 0; i < kFftDisplayBins; ++i)
    rec->bufferA[i] = std::bit_cast<int32_t>(i < count ? decibels(bytes[i]) : 0.0f);
}

}  // namespace

int SpectrumWindowStart(const ExtIoParams& p) {
  float offset = kWindowFirst + kPointsPerOffsetStep * static_cast<float>(p.offsetB);
  if (p.mode == 4) offset -= kPointsPerOffsetStep * static_cast<float>(p.offsetA);
  if (p.mode == 6) offset += kPointsPerOffsetStep * static_cast<float>(p.offsetA);
  int start = static_cast<int>(offset);
  if (offset < 0) start += kExtIoSpectrumPoints;
  // Offsets far outside the spectrum wrap round rather than index outside it.
  start %= kExtIoSpectrumPoints;
  return start < 0 ? start + kExtIoSpectrumPoints : start;
}

int RotateSpectrum(const uint8_t* spectrum, int length, int start, uint8_t* out) {
  if (length != kExtIoSpectrumPoints) return 0;
  const int count = length - kExtIoSpectrumMargin;
  for (int k = 0; k < count; ++k) out[k] = spectrum[(start + k) % kExtIoSpectrumPoints];
  return count;
}

void StoreSpectrumWindow(Works* w, int count, const uint8_t* points) { storeDecibels(w, count, points); }

void storeFFT(Works* w, int length, const uint8_t* spectrum) {
  const int count = std::clamp(length - kWindowFirst, 0, kFftDisplayBins);
  storeDecibels(w, count, count > 0 ? spectrum + kWindowFirst : spectrum);
}
