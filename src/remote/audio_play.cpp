// Playback: the device thread th_scrivi, the "SO" sender, and the playing of
// received packets in the connection thread.
#include <opus/opus.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/clock.h"
#include "platform/log.h"
#include "remote/audio.h"
#include "remote/audio_device.h"
#include "remote/codec_watch.h"
#include "remote/ws_frame.h"
#include "remote/ws_send.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;
using platform::Pcm;

namespace {

constexpr long kStartPauseMs = 3000;
constexpr long kIdleCheckMs = 1;
constexpr long kPlayingCheckMs = 10;
constexpr long kPeriodBytesPerFrame = 256 * 2 * 2;  // the playback buffer's size per period, as set up

bool writeOn(Works* w) { return w->setup->EnableWrite == '1' && w->running; }

// Opens and configures the playback device and its buffer. False after the
// error exit.
bool openPlayback(Works* w) {
  const std::string name = w->setup->AudioOut;
  std::string error;
  std::unique_ptr<Pcm> pcm = OpenPcmWithRetries(w, name, platform::PcmStream::Playback, false, error);
  if (!pcm) {
    platform::errPrintf("QZK 3 audio out\n");
    ReportAudioError("cannot open output audio device " + name + " (" + error + ")");
    ExitAUDIOwrite(w);
    return false;
  }
  platform::sysLog(kInfo, "output audio interface %s opened", name.c_str());
  const int periods = std::atoi(w->setup->AudioBuffers) > 0 ? std::atoi(w->setup->AudioBuffers) : 20;
  platform::PcmParams params;
  params.resample = true;
  params.rate = static_cast<unsigned>(w->audioRate.load());
  params.channels = 2;
  params.periods = static_cast<unsigned>(periods);
  params.bufferFrames = periods * kPeriodBytesPerFrame / 4;
  std::string step;
  const int err = pcm->configure(params, step);
  if (err < 0) {
    ReportAudioError(PcmStepLine(false, step, Pcm::errorText(err)));
    ExitAUDIOwrite(w);
    return false;
  }
  platform::errPrintf("playback hw_params freed\n");
  std::lock_guard lock(w->audioOutMutex);
  w->pcmOut = std::move(pcm);
  w->playBuf.assign(static_cast<size_t>(w->audioFrameSamples) * 2, 0);
  platform::sysLog(kInfo, "playback buffer allocated (%d)", static_cast<int>(w->playBuf.size() * 2));
  return true;
}

void closePlayback(Works* w) {
  std::lock_guard lock(w->audioOutMutex);
  if (w->pcmOut && w->pcmOut->drain() < 0) platform::sysLog(kErr, "cannot drain playback pcm handler");
  w->pcmOut.reset();
  w->playBuf.clear();
  platform::sysLog(kInfo, "playback buffer freed");
}

// One connection's worth of playback: prepared when a peer connects, drained
// and closed when it goes. False after the error exit.
bool servePeer(Works* w) {
  CodecWatch codec(kPlaybackWatchMs);
  bool present = true;
  while (w->wsConnected != 1 && writeOn(w) && (present = codec.present(w))) platform::sleepMs(kIdleCheckMs);
  if (!present) {
    closePlayback(w);
    ExitAUDIOwrite(w);
    return false;
  }
  if (!writeOn(w)) return true;
  {
    std::lock_guard lock(w->audioOutMutex);
    const int err = w->pcmOut ? w->pcmOut->prepare() : -EBADF;
    if (err < 0) {
      ReportAudioError("cannot prepare output audio interface for use (" + Pcm::errorText(err) + ")");
      w->pcmOut.reset();
    }
  }
  if (!w->pcmOut) {
    ExitAUDIOwrite(w);
    return false;
  }
  // Ready only once prepared: a packet written to a device not yet prepared
  // would fail, and the client drops its connection on a failed write.
  w->audioOutReady = 1;
  platform::sysLog(kInfo, "output audio interface prepared");
  while (w->wsConnected == 1 && writeOn(w) && (present = codec.present(w))) platform::sleepMs(kPlayingCheckMs);
  platform::sysLog(kInfo, "output audio interface to be stopped");
  w->audioOutReady = 0;
  closePlayback(w);
  if (!present) ExitAUDIOwrite(w);
  return present;
}

// Writes decoded frames; on an underrun the device is prepared again and,
// for the server, the same frames written once more. False on an error the
// client must drop the connection for.
bool writeFrames(Works* w, bool server, int frames) {
  Pcm& pcm = *w->pcmOut;
  long n = pcm.write(w->playBuf.data(), frames);
  if (n > 0) w->audioFramesPlayed += static_cast<uint64_t>(n);
  if (n == frames) return true;
  platform::sysLog(kErr, "write to output audio interface failed %d (%ld - %s)\n", frames, n,
                   n < 0 ? Pcm::errorText(n).c_str() : "short write");
  if (n != Pcm::underrunCode()) return n >= 0 || server;
  pcm.prepare();
  if (server) pcm.write(w->playBuf.data(), frames);
  return true;
}

}  // namespace

void th_scrivi(Works* w) {
  w->audioOutReady = 0;
  platform::sleepWhileRunning(kStartPauseMs, w->running);
  while (true) {
    if (!writeOn(w)) {
      platform::errPrintf("output audio interface closed\n");
      platform::sysLog(kInfo, "output audio interface closed");
      closePlayback(w);
      w->setup->EnableWrite = '0';
      platform::errPrintf("th_scrivi END\n");
      return;
    }
    if (!openPlayback(w) || !servePeer(w)) return;
  }
}

int sendWebSockAudioFrame(Works* w, const int16_t* stereo) {
  if (!w || w->wsConnected != 1) return 0;
  const bool compress = w->audioCompress != 0;
  // Without its encoder a compressing unit sends nothing: raw samples would
  // reach a peer that decodes Opus.
  if (compress && !w->opusEncoder) return 0;
  std::string error;
  const std::vector<uint8_t> payload =
      EncodeAudioPeriod(compress ? w->opusEncoder : nullptr, stereo, w->audioFrameSamples, error);
  if (!error.empty()) platform::errPrintf("encode failed: %s\n", error.c_str());
  if (payload.empty()) return 0;
  const FrameBytes frame = AudioFrame(payload.data(), payload.size());
  // Audio the link cannot carry now is left out, never queued behind.
  const int rc = sendStaleFrames(w, &frame, 1);
  if (rc > 0 && rc != static_cast<int>(payload.size()) + 10)
    platform::sysLog(kErr, "rc(%d) != length+10(%d)", rc, static_cast<int>(payload.size()) + 10);
  return rc;
}

bool PlayAudioPacket(Works* w, bool server, PlaybackLimiter& limiter, const uint8_t* data, size_t length) {
  if (w->setup->EnableWrite != '1' || w->audioOutReady != 1) return true;
  std::lock_guard lock(w->audioOutMutex);
  if (!w->pcmOut || w->playBuf.empty()) return true;  // no device open: nothing to play on
  bool failed = false;
  const int capacity = static_cast<int>(w->playBuf.size() / 2);
  const bool compress = w->audioCompress != 0;
  if (compress && !w->opusDecoder) return true;
  OpusDecoder* decoder = compress ? w->opusDecoder : nullptr;
  const int frames = DecodeAudioPacket(decoder, data, length, w->playBuf.data(), capacity, failed);
  if (failed) ++w->audioDecodeFailures;
  if (frames <= 0) return true;
  if (limiter.onFree(w->pcmOut->avail()) == PlaybackLimiter::Action::Drop) {
    w->pcmOut->reset();
    return true;
  }
  return writeFrames(w, server, frames);
}
