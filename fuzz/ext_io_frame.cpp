// Fuzz target: bytes from the companion transceiver's external IO port
// through the message framer; every parameter block into the record and
// every spectrum through the rotation into the display array, as the link
// does. The input is also decoded as one parameter block and as a peer's
// spectrum.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "links/ext_io_frame.h"
#include "links/ext_io_params.h"
#include "links/ext_io_spectrum.h"
#include "platform/log.h"
#include "state/ext_io_params.h"
#include "state/fft_record.h"
#include "state/works.h"

namespace {

struct Fixture {
  std::unique_ptr<Works> works = std::make_unique<Works>();
  std::mutex serMutex;
  std::vector<std::atomic<int32_t>> a = std::vector<std::atomic<int32_t>>(kFftBins);
  std::vector<std::atomic<int32_t>> b = std::vector<std::atomic<int32_t>>(kFftBins);
  FftRecord fft{};
  Fixture() {
    works->serMutexPtr = &serMutex;
    fft = {a.data(), b.data()};
    works->fftRec = &fft;
    platform::setLogObserver([](const std::string&) {});
  }
};

void onMessage(Works* w, const ExtIoFramer& rx) {
  const auto& payload = rx.payload();
  if (static_cast<int>(payload.size()) != rx.length() || rx.length() > ExtIoFramer::kMaxPayload) std::abort();
  if (rx.type() == 1) {
    storeParameters(w, static_cast<int>(payload.size()), payload.data());
    return;
  }
  if (payload.size() != kExtIoSpectrumPoints) return;
  ExtIoParams p;
  getParameters(&p, w);
  const int start = SpectrumWindowStart(p);
  if (start < 0 || start >= kExtIoSpectrumPoints) std::abort();
  uint8_t window[kExtIoSpectrumPoints];
  StoreSpectrumWindow(w, RotateSpectrum(payload.data(), kExtIoSpectrumPoints, start, window), window);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  Works* w = f.works.get();
  ExtIoFramer rx;
  for (size_t i = 0; i < size; ++i)
    if (rx.push(data[i]) == ExtIoFramer::Event::Message) onMessage(w, rx);
  // The same bytes as one block, in a buffer of exactly their size, so a read
  // past the end is caught.
  std::vector<uint8_t> block(data, data + size);
  ExtIoParams p{};
  DecodeParameterBlock(p, block.data(), static_cast<int>(block.size()));
  if (SpectrumWindowStart(p) < 0 || SpectrumWindowStart(p) >= kExtIoSpectrumPoints) std::abort();
  storeFFT(w, static_cast<int>(block.size()), block.data());
  return 0;
}
