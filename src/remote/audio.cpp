#include "remote/audio.h"
#include "remote/audio_device.h"
#include "remote/codec_watch.h"

#include <opus/opus.h>

#include <memory>
#include <string>
#include <vector>

#include "amp/errors.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/pcm.h"
#include "remote/ws_frame.h"
#include "remote/ws_send.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;
using platform::Pcm;

namespace {

constexpr int kOpenTries = 100;
constexpr long kOpenPauseMs = 100;
std::atomic<int> status_th_leggi{0};

bool flagOn(const SetupFlag& flag, Works* w) { return flag == '1' && w->running; }

// The error line of a failed configuration step, as the operator reads it.
std::string stepLineText(bool capture, const std::string& step, const std::string& text) {
  const char* side = capture ? "capture" : "playback";
  if (step == "allocate") return std::string("cannot allocate ") + side + " hardware parameter structure (" + text + ")";
  if (step == "initialize")
    return std::string("cannot initialize ") + side + " hardware parameter structure (" + text + ")";
  if (step == "resample") return "cannot set playback resample to yes (" + text + ")";
  if (step == "access") return std::string("cannot set ") + side + " access type (" + text + ")";
  if (step == "format") return std::string("cannot set ") + side + " sample format (" + text + ")";
  if (step == "rate") return std::string("cannot set ") + side + " sample rate (" + text + ")";
  if (step == "channels")
    return capture ? "cannot set capture channel count (" + text + ")" : "Cannot set playback channel count (" + text + ")";
  if (step == "periods") return "Cannot set periods (" + text + ")";
  if (step == "buffer") return "Cannot set buffersize (" + text + ")";
  return std::string("cannot set ") + side + " parameters (" + text + ")";
}

}  // namespace

std::unique_ptr<Pcm> OpenPcmWithRetries(Works* w, const std::string& name, platform::PcmStream stream, bool capture,
                                        std::string& error) {
  for (int attempt = 1; attempt <= kOpenTries && w->running; ++attempt) {
    std::unique_ptr<Pcm> pcm = Pcm::open(name, stream, error);
    if (capture)
      platform::errPrintf("QZK 2 audio in %s (%i)\n", name.c_str(), attempt);
    else
      platform::errPrintf("QZK 2 audio out %d (%i)\n", pcm ? 0 : -1, attempt);
    if (pcm) return pcm;
    platform::sleepMs(kOpenPauseMs);
  }
  return nullptr;
}

std::string PcmStepLine(bool capture, const std::string& step, const std::string& text) {
  return stepLineText(capture, step, text);
}

void ReportAudioError(const std::string& line) {
  platform::sysLog(kErr, "%s", line.c_str());
  platform::errPrintf("%s\n", line.c_str());
}

namespace {

// One period read from the card, widened to stereo when the card is mono.
// False on an error that ends capture.
bool capturePeriod(Works* w, Pcm& pcm, std::vector<int16_t>& period, int frames) {
  const long n = pcm.read(period.data(), frames);
  if (n == Pcm::underrunCode()) {
    pcm.prepare();  // an overrun: start again, the lost period is gone
    return true;
  }
  if (n < 0) {
    ReportAudioError("capture read failed (" + Pcm::errorText(n) + ")");
    return false;
  }
  if (n < frames) return true;  // only whole periods go out
  if (w->inChannels == 1) WidenMonoToStereo(period.data(), frames);
  sendWebSockAudioFrame(w, period.data());
  return true;
}

// Blocking reads of one period each, in this thread: the sender takes the
// WebSocket write mutex, which no signal handler may do. A card that goes
// away makes the read fail. False after the error exit.
bool captureLoop(Works* w, Pcm& pcm, int frames) {
  std::vector<int16_t> period(static_cast<size_t>(frames) * 2);
  platform::sysLog(kInfo, "capture buffer allocated (%d)", static_cast<int>(period.size() * 2));
  CodecWatch codec(kCaptureWatchMs);
  while (flagOn(w->setup->EnableRead, w)) {
    if (!capturePeriod(w, pcm, period, frames) || !codec.present(w)) {
      ExitAUDIOread(w);
      return false;
    }
  }
  pcm.drop();
  platform::sysLog(kInfo, "buffer freed");
  platform::sysLog(kInfo, "capture audio interface closed");
  return true;
}

}  // namespace

bool CheckAudioSettings(Works* w) {
  if (w->audioCompress == 0 || OpusFrameLengthValid(w->audioRate, w->audioFrameSamples)) return true;
  ReportAudioError("audio: " + std::to_string(w->audioFrameSamples.load()) + " frames per period at " +
              std::to_string(w->audioRate.load()) +
              " Hz cannot be coded by Opus (2.5, 5, 10, 20, 40 or 60 ms); set Multiplier to 1, 2, 4, 8 or 12 "
              "or AudioCompress to 0. Remote audio is off");
  w->setup->EnableRead = '0';
  w->setup->EnableWrite = '0';
  return false;
}

void ExitAUDIOread(Works* w) {
  platform::errPrintf("th_leggi ERR\n");
  AddErrore(w, kErrAudioRead);
  status_th_leggi = 0;
  w->remoteActive = 1;
  w->setup->EnableRead = '0';
  w->audioOutReady = 0;
}

void ExitAUDIOwrite(Works* w) {
  platform::errPrintf("th_scrivi ERR\n");
  AddErrore(w, kErrAudioWrite);
  {
    std::lock_guard lock(w->audioOutMutex);
    w->pcmOut.reset();
    w->playBuf.clear();
  }
  w->remoteActive = 1;
  w->audioOutReady = 0;
  w->setup->EnableWrite = '0';
}

void th_leggi(Works* w) {
  const std::string name = w->setup->AudioIn;
  w->inChannels = std::atoi(w->setup->InChannels) == 1 ? 1 : 2;
  status_th_leggi = 0;
  if (!CheckAudioSettings(w)) return;
  std::string error;
  std::unique_ptr<Pcm> pcm = OpenPcmWithRetries(w, name, platform::PcmStream::Capture, true, error);
  platform::errPrintf("QZK 3 audio in %s\n", name.c_str());
  if (!pcm) {
    platform::sysLog(kErr, "cannot open capture audio device '%s' (%s) after %d/10\"", name.c_str(), error.c_str(),
                     kOpenTries);
    platform::errPrintf("cannot open capture audio device '%s' (%s)\n", name.c_str(), error.c_str());
    ExitAUDIOread(w);
    return;
  }
  platform::sysLog(kInfo, "capture audio interface %s opened", name.c_str());
  status_th_leggi = 1;
  platform::PcmParams params;
  params.rate = static_cast<unsigned>(w->audioRate.load());
  params.channels = static_cast<unsigned>(w->inChannels.load());
  std::string step;
  const int err = pcm->configure(params, step);
  if (err < 0 || pcm->prepare() < 0) {
    ReportAudioError(err < 0 ? PcmStepLine(true, step, Pcm::errorText(err)) : "cannot prepare capture audio interface for use");
    ExitAUDIOread(w);
    return;
  }
  w->audioRate = static_cast<int>(params.rate);
  if (!captureLoop(w, *pcm, w->audioFrameSamples)) return;
  status_th_leggi = 0;
  w->setup->EnableRead = '0';
  platform::errPrintf("th_leggi END\n");
}
