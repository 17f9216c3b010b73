#include "links/ext_io_spectrum.h"

#include <algorithm>
#include <bit>
#include <mutex>

#include "state/ext_io_params.h"
#include "state/fft_record.h"
#include "state/works.h"

namespace {

constexpr int kWindowFirst = 85;
constexpr int kFineSpectrumPoints = 1706;  // the receiver's 4096-point transform
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
  if (length == kFftDisplayBins) return storeDecibels(w, length, spectrum);
  if (length == kFineSpectrumPoints) {
    // 853 pairs; the display's last point repeats the one before, since a
    // zero there would read as a full-scale carrier at the edge.
    uint8_t halved[kFftDisplayBins];
    for (int i = 0; i < kFineSpectrumPoints / 2; ++i) halved[i] = std::max(spectrum[2 * i], spectrum[2 * i + 1]);
    halved[kFftDisplayBins - 1] = halved[kFftDisplayBins - 2];
    return storeDecibels(w, kFftDisplayBins, halved);
  }
  const int count = std::clamp(length - kWindowFirst, 0, kFftDisplayBins);
  storeDecibels(w, count, count > 0 ? spectrum + kWindowFirst : spectrum);
}
