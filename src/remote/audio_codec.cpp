#include "remote/audio_codec.h"

#include <opus/opus.h>

#include <algorithm>
#include <cstring>

bool OpusFrameLengthValid(int rate, int frames) {
  if (rate <= 0 || frames <= 0) return false;
  // Durations in tenths of a millisecond: 2.5, 5, 10, 20, 40, 60 ms.
  for (long tenths : {25L, 50L, 100L, 200L, 400L, 600L})
    if (static_cast<long>(frames) * 10000 == tenths * rate) return true;
  return false;
}

void WidenMonoToStereo(int16_t* samples, int frames) {
  // From the end, so no sample is overwritten before it is copied.
  for (int i = frames - 1; i >= 0; --i) {
    const int16_t v = samples[i];
    samples[2 * i] = v;
    samples[2 * i + 1] = v;
  }
}

std::vector<uint8_t> EncodeAudioPeriod(OpusEncoder* encoder, const int16_t* stereo, int frames, std::string& error) {
  const size_t rawBytes = static_cast<size_t>(frames) * 4;
  std::vector<uint8_t> out(rawBytes);
  if (!encoder) {
    for (size_t i = 0; i < static_cast<size_t>(frames) * 2; ++i) {
      const auto v = static_cast<uint16_t>(stereo[i]);
      out[2 * i] = static_cast<uint8_t>(v & 0xFF);
      out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    return out;
  }
  const opus_int32 n = opus_encode(encoder, stereo, frames, out.data(), static_cast<opus_int32>(rawBytes));
  if (n < 0) {
    error = opus_strerror(n);
    return {};
  }
  out.resize(static_cast<size_t>(n));
  return out;
}

int DecodeAudioPacket(OpusDecoder* decoder, const uint8_t* data, size_t length, int16_t* out, int capacity,
                      bool& failed) {
  failed = false;
  if (!decoder) {
    const int frames = static_cast<int>(std::min<size_t>(length / 4, static_cast<size_t>(capacity)));
    for (int i = 0; i < frames * 2; ++i)
      out[i] = static_cast<int16_t>(static_cast<uint16_t>(data[2 * i] | data[2 * i + 1] << 8));
    return frames;
  }
  const int n = opus_decode(decoder, data, static_cast<opus_int32>(length), out, capacity, 0);
  if (n >= 0) return n;
  failed = true;
  std::memset(out, 0, static_cast<size_t>(capacity) * 4);
  return capacity;
}

PlaybackLimiter::Action PlaybackLimiter::onFree(long freeFrames) {
  if (freeFrames > 0) {
    if (free1_ < 0)
      free1_ = minFree_ = freeFrames;
    else
      minFree_ = std::min(minFree_, freeFrames);
  }
  if (free1_ < 0 || free1_ - minFree_ <= kMaxBacklogFrames) return Action::Write;
  minFree_ = free1_;
  return Action::Drop;
}
