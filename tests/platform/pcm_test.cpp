// The sandbox's sound card: ALSA's file plugin over the null device, with
// capture paced to the granted rate as a card delivers it.
#include "platform/pcm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "sandbox_fixture.h"

namespace {

using platform::Pcm;

class SandboxPcm : public SandboxTest {
 protected:
  std::unique_ptr<Pcm> openCapture() {
    std::string error;
    auto pcm = Pcm::open("hw:1", platform::PcmStream::Capture, error);
    EXPECT_TRUE(pcm) << error;
    if (!pcm) return nullptr;
    platform::PcmParams params;
    std::string step;
    EXPECT_EQ(pcm->configure(params, step), 0) << step;
    EXPECT_EQ(params.rate, 48000u);
    EXPECT_EQ(pcm->prepare(), 0);
    return pcm;
  }
  // Milliseconds taken to read `periods` periods of 240 frames (5 ms each).
  int64_t readPeriods(Pcm& pcm, int periods) {
    std::vector<int16_t> buf(240 * 2);
    const int64_t start = platform::monotonicMs();
    for (int i = 0; i < periods; ++i) EXPECT_EQ(pcm.read(buf.data(), 240), 240);
    return platform::monotonicMs() - start;
  }
};

// A reader held up for a while (a busy machine) gets the card's pace back,
// not the missed time at once: a card overruns and loses it. Only lower
// bounds here, which a slow machine cannot break.
TEST_F(SandboxPcm, CaptureKeepsTheRateAfterTheReaderStalls) {
  writeHost(platform::kSimAudioIn, std::string(48000 * 4 * 4, '\0'));  // four seconds of stereo
  auto pcm = openCapture();
  ASSERT_TRUE(pcm);
  EXPECT_GE(readPeriods(*pcm, 20), 90);
  platform::sleepMs(600);
  EXPECT_GE(readPeriods(*pcm, 20), 90) << "periods after a stall came faster than the rate";
}

TEST_F(SandboxPcm, PlaybackLandsInTheFileAsWritten) {
  std::string error;
  auto pcm = Pcm::open("hw:1", platform::PcmStream::Playback, error);
  ASSERT_TRUE(pcm) << error;
  platform::PcmParams params;
  std::string step;
  ASSERT_EQ(pcm->configure(params, step), 0) << step;
  ASSERT_EQ(pcm->prepare(), 0);
  std::vector<int16_t> samples(480 * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 37);
  ASSERT_EQ(pcm->write(samples.data(), 480), 480);
  ASSERT_EQ(pcm->drain(), 0);
  pcm.reset();
  const std::string out = readHost(platform::kSimAudioOut);
  ASSERT_EQ(out.size(), samples.size() * 2);
  EXPECT_EQ(out, std::string(reinterpret_cast<const char*>(samples.data()), out.size()));
}

}  // namespace
