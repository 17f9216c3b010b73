// Remote audio: the period's coding, the playback limiter, and a tone from
// one unit's capture file to the other unit's playback file through the real
// ALSA library (file plugins in the sandbox) and real sockets.
#include <gtest/gtest.h>
#include <opus/opus.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/pcm.h"
#include "remote/audio.h"
#include "remote_harness.h"
#include "state/setup_record.h"
#include "wait_until.h"

namespace {

constexpr int kRate = 48000;
constexpr int kPeriod = 240;

std::vector<int16_t> stereoTone(double hz, int frames, int start = 0, double amplitude = 8000) {
  std::vector<int16_t> s(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(amplitude * std::sin(2 * M_PI * hz * (start + i) / kRate));
    s[2 * i] = s[2 * i + 1] = v;
  }
  return s;
}

// The frequency of the strongest component of the left channel, to a 10 Hz
// step, by a direct DFT over 100..5000 Hz.
double strongestHz(const std::vector<int16_t>& stereo) {
  const size_t n = stereo.size() / 2;
  double bestPower = -1, bestHz = 0;
  for (double hz = 100; hz <= 5000; hz += 10) {
    double re = 0, im = 0;
    for (size_t i = 0; i < n; ++i) {
      re += stereo[2 * i] * std::cos(2 * M_PI * hz * i / kRate);
      im += stereo[2 * i] * std::sin(2 * M_PI * hz * i / kRate);
    }
    if (re * re + im * im > bestPower) {
      bestPower = re * re + im * im;
      bestHz = hz;
    }
  }
  return bestHz;
}

double rms(const int16_t* s, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += double(s[i]) * s[i];
  return n ? std::sqrt(sum / n) : 0;
}

TEST(AudioPeriod, MonoWidensToBothSides) {
  std::vector<int16_t> s = {1, 2, 3, 0, 0, 0};
  WidenMonoToStereo(s.data(), 3);
  EXPECT_EQ(s, (std::vector<int16_t>{1, 1, 2, 2, 3, 3}));
}

TEST(AudioPeriod, OnlyOpusFrameLengthsAreAccepted) {
  for (int frames : {120, 240, 480, 960, 1920, 2880}) EXPECT_TRUE(OpusFrameLengthValid(kRate, frames)) << frames;
  for (int frames : {0, 100, 720, 1200, 2400, 3840}) EXPECT_FALSE(OpusFrameLengthValid(kRate, frames)) << frames;
  EXPECT_TRUE(OpusFrameLengthValid(8000, 160));
}

TEST(AudioPeriod, RawPayloadPlaysItsFramesAndNeverMoreThanTheBuffer) {
  const std::vector<int16_t> tone = stereoTone(1000, 2 * kPeriod);
  std::string error;
  const std::vector<uint8_t> raw = EncodeAudioPeriod(nullptr, tone.data(), kPeriod, error);
  ASSERT_EQ(raw.size(), 960u);
  EXPECT_EQ(raw[2], static_cast<uint8_t>(tone[1] & 0xFF));  // little-endian on any host
  std::vector<int16_t> out(2 * kPeriod + 8, 0x5A5A);
  bool failed = true;
  EXPECT_EQ(DecodeAudioPacket(nullptr, raw.data(), raw.size(), out.data(), kPeriod, failed), kPeriod);
  EXPECT_FALSE(failed);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 2 * kPeriod, tone.begin()));
  // A peer with twice the period: one buffer is played, nothing written past it.
  const std::vector<uint8_t> longer = EncodeAudioPeriod(nullptr, tone.data(), 2 * kPeriod, error);
  EXPECT_EQ(DecodeAudioPacket(nullptr, longer.data(), longer.size(), out.data(), kPeriod, failed), kPeriod);
  EXPECT_EQ(out[2 * kPeriod], 0x5A5A);
}

class OpusCoding : public ::testing::Test {
 protected:
  void SetUp() override {
    int err = 0;
    enc_ = opus_encoder_create(kRate, 2, OPUS_APPLICATION_AUDIO, &err);
    dec_ = opus_decoder_create(kRate, 2, &err);
    opus_encoder_ctl(enc_, OPUS_SET_BITRATE(64000));
  }
  void TearDown() override {
    opus_encoder_destroy(enc_);
    opus_decoder_destroy(dec_);
  }
  OpusEncoder* enc_ = nullptr;
  OpusDecoder* dec_ = nullptr;
};

TEST_F(OpusCoding, ToneKeepsItsFrequencyAndABadPacketPlaysSilence) {
  std::vector<int16_t> heard;
  std::vector<int16_t> out(2 * kPeriod);
  std::string error;
  bool failed = false;
  for (int p = 0; p < 40; ++p) {
    const std::vector<int16_t> tone = stereoTone(1000, kPeriod, p * kPeriod);
    const std::vector<uint8_t> packet = EncodeAudioPeriod(enc_, tone.data(), kPeriod, error);
    ASSERT_FALSE(packet.empty()) << error;
    EXPECT_LE(packet.size(), 960u);
    ASSERT_EQ(DecodeAudioPacket(dec_, packet.data(), packet.size(), out.data(), kPeriod, failed), kPeriod);
    if (p >= 10) heard.insert(heard.end(), out.begin(), out.end());  // past the codec's start-up
  }
  EXPECT_NEAR(strongestHz(heard), 1000, 10);
  EXPECT_GT(rms(heard.data(), heard.size()), 2000);

  const uint8_t corrupt[] = {0xFF, 0xFF, 0xFF};
  EXPECT_EQ(DecodeAudioPacket(dec_, corrupt, 0, out.data(), kPeriod, failed), kPeriod);
  const uint8_t* none = nullptr;
  EXPECT_EQ(DecodeAudioPacket(dec_, none, 0, out.data(), kPeriod, failed), kPeriod);  // a lost packet: concealment
  EXPECT_EQ(DecodeAudioPacket(dec_, corrupt, sizeof corrupt, out.data(), kPeriod, failed), kPeriod);
  EXPECT_TRUE(failed);
  EXPECT_EQ(rms(out.data(), out.size()), 0);
}

TEST(PlaybackLimiter, DropsTheQueueOnceTheBacklogPassesOneHundredMilliseconds) {
  PlaybackLimiter limiter;
  EXPECT_EQ(limiter.onFree(5120), PlaybackLimiter::Action::Write);  // the reference
  EXPECT_EQ(limiter.onFree(0), PlaybackLimiter::Action::Write);     // no answer: no change
  EXPECT_EQ(limiter.onFree(320), PlaybackLimiter::Action::Write);   // exactly 4800 behind
  EXPECT_EQ(limiter.onFree(319), PlaybackLimiter::Action::Drop);
  // After the drop the running minimum starts again from the reference.
  EXPECT_EQ(limiter.onFree(4000), PlaybackLimiter::Action::Write);
}

// Two units connected over loopback: the server captures a tone from its
// sandbox capture file, the client plays it into its playback file.
class AudioPair : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    useTestTimings();
  }
  void TearDown() override {
    server_.w()->setup->EnableRead = '0';
    client_.w()->setup->EnableWrite = '0';
    if (capture_.joinable()) capture_.join();
    if (playback_.joinable()) playback_.join();
    client_.stop();
    server_.stop();
    for (OpusEncoder* e : {server_.w()->opusEncoder, client_.w()->opusEncoder}) opus_encoder_destroy(e);
    for (OpusDecoder* d : {server_.w()->opusDecoder, client_.w()->opusDecoder}) opus_decoder_destroy(d);
    restoreTimings();
    SandboxTest::TearDown();
  }
  void configure(RemoteUnit& u, int compress) {
    Works* w = u.w();
    w->audioRate = kRate;
    w->audioFrameSamples = kPeriod;
    w->audioCompress = compress;
    std::snprintf(w->setup->AudioIn, sizeof w->setup->AudioIn, "hw:1");
    std::snprintf(w->setup->AudioOut, sizeof w->setup->AudioOut, "hw:1");
    std::snprintf(w->setup->InChannels, sizeof w->setup->InChannels, "1");
    std::snprintf(w->setup->AudioBuffers, sizeof w->setup->AudioBuffers, "20");
    if (compress) {
      int err = 0;
      w->opusEncoder = opus_encoder_create(kRate, 2, OPUS_APPLICATION_AUDIO, &err);
      opus_encoder_ctl(w->opusEncoder, OPUS_SET_BITRATE(compress));
      w->opusDecoder = opus_decoder_create(kRate, 2, &err);
    }
  }
  // Two seconds of a mono 700 Hz tone in the capture file.
  void writeCaptureTone() {
    std::vector<int16_t> mono(2 * kRate);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 700.0 * i / kRate));
    writeHost(platform::kSimAudioIn, std::string(reinterpret_cast<const char*>(mono.data()), mono.size() * 2));
  }
  std::vector<int16_t> played() const {
    const std::string bytes = readHost(platform::kSimAudioOut);
    std::vector<int16_t> s(bytes.size() / 2);
    if (!s.empty()) std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
  }
  void run(int compress) {
    configure(server_, compress);
    configure(client_, compress);
    writeCaptureTone();
    client_.w()->setup->EnableWrite = '1';
    playback_ = std::thread(th_scrivi, client_.w());
    server_.startServer();
    client_.startClient(server_.port());
    ASSERT_TRUE(waitUntil([&] { return client_.w()->audioOutReady == 1; }, 8000));
    server_.w()->setup->EnableRead = '1';
    capture_ = std::thread(th_leggi, server_.w());
    // A second of audio, in real time.
    ASSERT_TRUE(waitUntil([&] { return played().size() >= 2u * kRate; }, 5000)) << played().size();
    const std::vector<int16_t> out = played();
    const std::vector<int16_t> tail(out.end() - kRate, out.end());  // the last half second
    EXPECT_NEAR(strongestHz(tail), 700, 10);
    EXPECT_GT(rms(tail.data(), tail.size()), 2000);
    EXPECT_EQ(client_.w()->audioDecodeFailures, 0u);
  }
  RemoteUnit server_, client_;
  std::thread capture_, playback_;
};

TEST_F(AudioPair, ToneCapturedAtTheServerIsPlayedAtTheClientRaw) { run(0); }
TEST_F(AudioPair, ToneCapturedAtTheServerIsPlayedAtTheClientThroughOpus) { run(64000); }

}  // namespace
