// A peer's "SO" payload as the playback path decodes it: raw samples and
// Opus packets into one period's buffer, never past its end.
#include <opus/opus.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "remote/audio_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static OpusDecoder* decoder = [] {
    int err = 0;
    return opus_decoder_create(48000, 2, &err);
  }();
  constexpr int kPeriod = 240;
  std::vector<int16_t> out(2 * kPeriod);
  bool failed = false;
  DecodeAudioPacket(nullptr, data, size, out.data(), kPeriod, failed);
  DecodeAudioPacket(decoder, data, size, out.data(), kPeriod, failed);
  return 0;
}
