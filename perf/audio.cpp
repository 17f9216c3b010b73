// Remote audio: the Opus cost of one 5 ms period each way, and the time from
// a captured period leaving one unit to its samples being written to the
// other unit's sound card, over loopback through the real ALSA library (the
// sandbox's file plugin stands for the card, so the card's own buffer, and
// the 5 ms the capture waits to fill a period, come on top).
#include <benchmark/benchmark.h>
#include <opus/opus.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/net.h"
#include "platform/paths.h"
#include "platform/pcm.h"
#include "remote/audio.h"
#include "remote/ws_frame.h"
#include "remote_login.h"
#include "remote/ws_handshake.h"
#include "remote/ws_send.h"
#include "remote/ws_server.h"
#include "remote/ws_stream.h"
#include "remote/ws_timing.h"
#include "state/setup.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

constexpr int kRate = 48000;
constexpr int kPeriod = 240;

std::vector<int16_t> tone(int frames) {
  std::vector<int16_t> s(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) s[2 * i] = s[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 700.0 * i / kRate));
  return s;
}

struct Codec {
  OpusEncoder* enc;
  OpusDecoder* dec;
  explicit Codec(int bitrate) {
    int err = 0;
    enc = opus_encoder_create(kRate, 2, OPUS_APPLICATION_AUDIO, &err);
    dec = opus_decoder_create(kRate, 2, &err);
    opus_encoder_ctl(enc, OPUS_SET_BITRATE(bitrate));
  }
  ~Codec() {
    opus_encoder_destroy(enc);
    opus_decoder_destroy(dec);
  }
};

void BM_OpusEncodePeriod(benchmark::State& state) {
  Codec c(static_cast<int>(state.range(0)));
  const std::vector<int16_t> period = tone(kPeriod);
  std::string error;
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodeAudioPeriod(c.enc, period.data(), kPeriod, error).size();
  state.counters["packet_bytes"] = static_cast<double>(bytes);
  state.counters["budget_us"] = 1e6 * kPeriod / kRate;
}
BENCHMARK(BM_OpusEncodePeriod)->Arg(32000)->Arg(64000)->Unit(benchmark::kMicrosecond);

void BM_OpusDecodePeriod(benchmark::State& state) {
  Codec c(static_cast<int>(state.range(0)));
  const std::vector<int16_t> period = tone(kPeriod);
  std::string error;
  const std::vector<uint8_t> packet = EncodeAudioPeriod(c.enc, period.data(), kPeriod, error);
  std::vector<int16_t> out(2 * kPeriod);
  bool failed = false;
  for (auto _ : state) DecodeAudioPacket(c.dec, packet.data(), packet.size(), out.data(), kPeriod, failed);
  state.counters["budget_us"] = 1e6 * kPeriod / kRate;
}
BENCHMARK(BM_OpusDecodePeriod)->Arg(32000)->Arg(64000)->Unit(benchmark::kMicrosecond);

// A server unit with its playback thread, in a sandbox of its own.
struct PlayingServer {
  std::string root = (std::filesystem::temp_directory_path() / "hfamp-bench-audio").string();
  std::unique_ptr<Works> w = std::make_unique<Works>();
  SetupRecord setup{};
  std::mutex conn, ws;
  std::thread server, playback;
  std::unique_ptr<Codec> codec;

  explicit PlayingServer(int bitrate) {
    platform::setLogOutput(false);
    std::filesystem::remove_all(root);
    platform::setRoot(root);
    platform::makeSandboxLayout();
    wsTimings().startPauseMs = 0;
    w->setup = &setup;
    w->connMutexPtr = &conn;
    w->mutexPtr = &ws;
    w->running = 1;
    w->sockFD = -1;
    w->audioRate = kRate;
    w->audioFrameSamples = kPeriod;
    w->audioCompress = bitrate;
    if (bitrate) {
      codec = std::make_unique<Codec>(bitrate);
      w->opusDecoder = codec->dec;
    }
    std::snprintf(setup.AudioOut, sizeof setup.AudioOut, "hw:1");
    std::snprintf(setup.AudioBuffers, sizeof setup.AudioBuffers, "20");
    setup.WebSocket = '1';
    setup.EnableWrite = '1';
    std::snprintf(w->wsPassword, sizeof w->wsPassword, "%s", kWsPassword);
    server = std::thread(Wsocket, w.get());
    playback = std::thread(th_scrivi, w.get());
    while (WsocketListeningPort() == 0) platform::sleepMs(5);
  }
  ~PlayingServer() {
    w->running = 0;
    setup.EnableWrite = '0';
    server.join();
    playback.join();
    w->opusDecoder = nullptr;
    std::filesystem::remove_all(root);
    platform::setRoot("");
  }
};


// One period sent as the far unit's sender would, timed until the playing
// unit has decoded it and handed its samples to the card.
void BM_PeriodToPlayback(benchmark::State& state) {
  const int bitrate = static_cast<int>(state.range(0));
  PlayingServer s(bitrate);
  const int fd = loginOverLoopback(WsocketListeningPort());
  while (s.w->audioOutReady != 1) platform::sleepMs(1);
  Codec far(bitrate ? bitrate : 64000);
  const std::vector<int16_t> period = tone(kPeriod);
  std::string error;
  const std::vector<uint8_t> payload = EncodeAudioPeriod(bitrate ? far.enc : nullptr, period.data(), kPeriod, error);
  const FrameBytes frame = AudioFrame(payload.data(), payload.size());
  for (auto _ : state) {
    const uint64_t before = s.w->audioFramesPlayed;
    platform::sendAllWithin(fd, frame.data(), frame.size(), 1000);
    while (s.w->audioFramesPlayed < before + kPeriod) std::this_thread::yield();
  }
  state.counters["period_ms"] = 1e3 * kPeriod / kRate;
  platform::closeSocket(fd);
}
BENCHMARK(BM_PeriodToPlayback)->Arg(0)->Arg(64000)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(300);

// The machine loaded: twice as many threads as cores spin beside the units
// (a build, a browser, a busy log), as the audio is timed again.
class Load {
 public:
  Load() {
    const unsigned n = 2 * std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < n; ++i)
      threads_.emplace_back([this] {
        volatile double x = 1;
        while (!stop_) x = x * 1.0000001 + 1e-9;
      });
  }
  ~Load() {
    stop_ = true;
    for (std::thread& t : threads_) t.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

// From the far unit's sender to this unit's card: the period goes through
// the far unit's connection queue and writer thread, as captured audio does,
// with the machine idle (range 1 = 0) or loaded (1).
void BM_SenderToCard(benchmark::State& state) {
  PlayingServer s(64000);
  const int fd = loginOverLoopback(WsocketListeningPort());
  while (s.w->audioOutReady != 1) platform::sleepMs(1);
  auto far = std::make_unique<Works>();
  std::mutex farWs;
  far->mutexPtr = &farWs;
  far->sockFD = -1;
  AttachConnection(far.get(), fd);
  far->wsConnected = 1;
  Codec codec(64000);
  const std::vector<int16_t> period = tone(kPeriod);
  std::string error;
  const std::vector<uint8_t> payload = EncodeAudioPeriod(codec.enc, period.data(), kPeriod, error);
  const FrameBytes frame = AudioFrame(payload.data(), payload.size());
  std::unique_ptr<Load> load = state.range(0) ? std::make_unique<Load>() : nullptr;
  int64_t worst = 0;
  for (auto _ : state) {
    const uint64_t before = s.w->audioFramesPlayed;
    const int64_t t0 = platform::monotonicMs();
    sendStaleFrames(far.get(), &frame, 1);
    while (s.w->audioFramesPlayed < before + kPeriod) std::this_thread::yield();
    worst = std::max(worst, platform::monotonicMs() - t0);
  }
  load.reset();
  state.counters["worst_ms"] = static_cast<double>(worst);
  DropConnection(far.get());
}
BENCHMARK(BM_SenderToCard)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(300);

}  // namespace
