#include "platform/pcm.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/paths.h"

namespace platform {

struct Pcm::Impl {
  snd_pcm_t* pcm = nullptr;
  unsigned rate = 48000;
  unsigned channels = 2;
  bool paced = false;
  int64_t startMs = -1;
  long framesSinceStart = 0;
};

namespace {

// The sandbox's stand-in for a sound card: ALSA's file plugin over its null
// device, described as an ALSA configuration text.
std::string sandboxConfig(PcmStream stream) {
  const std::string in = hostPath(kSimAudioIn), out = hostPath(kSimAudioOut);
  if (stream == PcmStream::Capture)
    return "pcm.hfamp { type file slave.pcm { type null } file \"/dev/null\" infile \"" + in +
           "\" format \"raw\" }";
  return "pcm.hfamp { type file slave.pcm { type null } file \"" + out + "\" format \"raw\" perm 0644 }";
}

int openSandboxed(snd_pcm_t** pcm, PcmStream stream) {
  const std::string text = sandboxConfig(stream);
  snd_config_t* top = nullptr;
  snd_input_t* input = nullptr;
  int err = snd_config_top(&top);
  if (err < 0) return err;
  err = snd_input_buffer_open(&input, text.data(), static_cast<ssize_t>(text.size()));
  if (err >= 0) {
    err = snd_config_load(top, input);
    snd_input_close(input);
  }
  if (err >= 0)
    err = snd_pcm_open_lconf(pcm, "hfamp", stream == PcmStream::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                             0, top);
  snd_config_delete(top);
  return err;
}

}  // namespace

Pcm::Pcm(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Pcm::~Pcm() {
  if (impl_->pcm) snd_pcm_close(impl_->pcm);
}

std::unique_ptr<Pcm> Pcm::open(const std::string& device, PcmStream stream, std::string& error) {
  auto impl = std::make_unique<Impl>();
  int err = 0;
  if (sandboxed()) {
    err = openSandboxed(&impl->pcm, stream);
    impl->paced = stream == PcmStream::Capture;
  } else {
    err = snd_pcm_open(&impl->pcm, device.c_str(),
                       stream == PcmStream::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, 0);
  }
  if (err < 0) {
    error = snd_strerror(err);
    return nullptr;
  }
  return std::unique_ptr<Pcm>(new Pcm(std::move(impl)));
}

int Pcm::configure(PcmParams& p, std::string& step) {
  snd_pcm_t* pcm = impl_->pcm;
  snd_pcm_hw_params_t* hw = nullptr;
  int err = snd_pcm_hw_params_malloc(&hw);
  if (err < 0) {
    step = "allocate";
    return err;
  }
  auto fail = [&](const char* name, int code) {
    step = name;
    snd_pcm_hw_params_free(hw);
    return code;
  };
  if ((err = snd_pcm_hw_params_any(pcm, hw)) < 0) return fail("initialize", err);
  if (p.resample && (err = snd_pcm_hw_params_set_rate_resample(pcm, hw, 1)) < 0) return fail("resample", err);
  if ((err = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0) return fail("access", err);
  if ((err = snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE)) < 0) return fail("format", err);
  if ((err = snd_pcm_hw_params_set_rate_near(pcm, hw, &p.rate, nullptr)) < 0) return fail("rate", err);
  if ((err = snd_pcm_hw_params_set_channels(pcm, hw, p.channels)) < 0) return fail("channels", err);
  if (p.periods && (err = snd_pcm_hw_params_set_periods(pcm, hw, p.periods, 0)) < 0) return fail("periods", err);
  if (p.bufferFrames > 0) {
    snd_pcm_uframes_t frames = static_cast<snd_pcm_uframes_t>(p.bufferFrames);
    if ((err = snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &frames)) < 0) return fail("buffer", err);
    p.bufferFrames = static_cast<long>(frames);
  }
  if ((err = snd_pcm_hw_params(pcm, hw)) < 0) return fail("apply", err);
  snd_pcm_hw_params_free(hw);
  impl_->rate = p.rate;
  impl_->channels = p.channels;
  return 0;
}

// The null device has no clock: hold capture back to the granted rate. A
// reader that falls behind by more than a card's buffer loses that time, as
// an overrun would lose it, rather than catching up with a burst of periods
// far faster than the rate.
void Pcm::pace(long frames) {
  constexpr int64_t kMaxLagMs = 200;
  if (!impl_->paced || frames <= 0) return;
  const int64_t now = monotonicMs();
  const auto dueAfter = [&](long total) { return impl_->startMs + total * 1000 / static_cast<int64_t>(impl_->rate); };
  if (impl_->startMs < 0 || dueAfter(impl_->framesSinceStart) < now - kMaxLagMs) {
    impl_->startMs = now;
    impl_->framesSinceStart = 0;
  }
  impl_->framesSinceStart += frames;
  const int64_t due = dueAfter(impl_->framesSinceStart);
  if (due > now) sleepMs(due - now);
}

long Pcm::read(int16_t* samples, long frames) {
  const long n = snd_pcm_readi(impl_->pcm, samples, static_cast<snd_pcm_uframes_t>(frames));
  pace(n);
  return n;
}

long Pcm::write(const int16_t* samples, long frames) {
  return snd_pcm_writei(impl_->pcm, samples, static_cast<snd_pcm_uframes_t>(frames));
}

long Pcm::avail() { return snd_pcm_avail(impl_->pcm); }
int Pcm::prepare() { return snd_pcm_prepare(impl_->pcm); }
int Pcm::drop() { return snd_pcm_drop(impl_->pcm); }
int Pcm::drain() { return snd_pcm_drain(impl_->pcm); }

int Pcm::reset() {
  const int err = snd_pcm_drop(impl_->pcm);
  return err < 0 ? err : snd_pcm_prepare(impl_->pcm);
}

std::string Pcm::errorText(long code) { return snd_strerror(static_cast<int>(code)); }
long Pcm::underrunCode() { return -EPIPE; }

}  // namespace platform
