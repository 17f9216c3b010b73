#pragma once
// The audio of "SO" frames: one period of 2-channel 16-bit samples, sent as
// one Opus packet or as raw little-endian samples, and the limiter that keeps
// playback from falling behind the peer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct OpusEncoder;
struct OpusDecoder;

// Opus codes only frames of 2.5, 5, 10, 20, 40 or 60 ms.
bool OpusFrameLengthValid(int rate, int frames);

// Widens `frames` mono samples at the start of `samples` (room for twice as
// many) to interleaved stereo in place, each sample to both sides.
void WidenMonoToStereo(int16_t* samples, int frames);

// The "SO" payload for one stereo period: an Opus packet when `encoder` is
// given (no longer than the raw period), else the raw samples. Empty with
// `error` set when Opus fails.
std::vector<uint8_t> EncodeAudioPeriod(OpusEncoder* encoder, const int16_t* stereo, int frames, std::string& error);

// Decodes a payload into `out` (room for `capacity` stereo frames) and
// returns the frames to play. Opus when `decoder` is given: a packet that
// fails to decode gives one period of silence and sets `failed`. Raw: at most
// `capacity` frames are taken, whatever the payload's length.
int DecodeAudioPacket(OpusDecoder* decoder, const uint8_t* data, size_t length, int16_t* out, int capacity,
                      bool& failed);

// Watches the frames free in the playback buffer. The first reading is the
// reference; when the backlog has grown more than 100 ms (4800 frames at
// 48 kHz) beyond its emptiest point, the queue is to be dropped.
class PlaybackLimiter {
 public:
  static constexpr long kMaxBacklogFrames = 4800;
  enum class Action { Write, Drop };
  Action onFree(long freeFrames);
  void reset() { free1_ = -1; }

 private:
  long free1_ = -1, minFree_ = 0;
};
