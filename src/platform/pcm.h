#pragma once
// A sound card stream (ALSA PCM), 16-bit little-endian interleaved samples.
// On the board the device name is ALSA's ("hw:1"). In the sandbox every name
// opens ALSA's file plugin over its null device instead, so the real ALSA
// calls run without a sound card: capture reads "/run/sim/audio-in.raw" and
// playback writes "/run/sim/audio-out.raw" (raw samples, under the root).
// The null device takes and gives samples at once, so sandbox capture is
// paced to the granted rate, as a card would deliver them.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

inline constexpr const char* kSimAudioIn = "/run/sim/audio-in.raw";
inline constexpr const char* kSimAudioOut = "/run/sim/audio-out.raw";

enum class PcmStream { Capture, Playback };

struct PcmParams {
  unsigned rate = 48000;     // asked for; the granted rate is written back
  unsigned channels = 2;
  unsigned periods = 0;      // 0: left to the device
  long bufferFrames = 0;     // 0: left to the device
  bool resample = false;
};

class Pcm {
 public:
  // Opens for blocking use; nullptr with `error` set on failure.
  static std::unique_ptr<Pcm> open(const std::string& device, PcmStream stream, std::string& error);
  ~Pcm();
  Pcm(const Pcm&) = delete;
  Pcm& operator=(const Pcm&) = delete;

  // Sets the hardware parameters in the usual order. On failure `step` names
  // the step that failed ("access", "format", "rate", "channels", "periods",
  // "buffer", "resample", "apply") and the ALSA error code is returned.
  int configure(PcmParams& params, std::string& step);
  // Frames read or written, or a negative ALSA error code.
  long read(int16_t* samples, long frames);
  long write(const int16_t* samples, long frames);
  // Frames the device can take (playback) or has ready (capture); negative on error.
  long avail();
  int prepare();
  int drop();
  int drain();
  // Drops what is queued and makes the stream ready again.
  int reset();
  // ALSA's text for an error code.
  static std::string errorText(long code);
  // The error code of a broken pipe (an underrun or overrun).
  static long underrunCode();

 private:
  struct Impl;
  explicit Pcm(std::unique_ptr<Impl> impl);
  void pace(long frames);
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
