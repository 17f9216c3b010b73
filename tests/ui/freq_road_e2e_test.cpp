// The frequency road end to end: the timer and link threads against the
// simulated amplifier over a real pseudo-terminal. When the amplifier's
// counter moves to another band, the amplifier receives the filter, the
// thresholds, the band row's antenna and attenuation and the stored tuner
// setting, in order and within a few polls; a move within the band sends
// nothing new.
#include "road_fixture.h"

#include "tables/banks.h"

namespace {

using road::FrequencyRoad;
using road::startsWith;
using road::Texts;

TEST_F(FrequencyRoad, NewBandReselectsEverythingInOrder) {
  startThreads();
  // The start-up selection of 20 m ends with the stored tuner setting; only
  // after it may the wire settle, however slowly the link starts.
  ASSERT_TRUE(waitSent(0, "MT1"));
  ASSERT_TRUE(settle(14070000));
  const size_t from = amp_.texts().size();

  const int64_t moved = platform::monotonicMs();
  amp_.setFrequency(7050000);
  ASSERT_TRUE(waitSent(from, "AT"));
  const int64_t tookMs = platform::monotonicMs() - moved;
  ASSERT_TRUE(settle(7050000));

  const Texts sent = sentSince(from);
  const std::vector<const char*> order = {"SF", "TS", "SA", "MT1", "AT"};
  ASSERT_EQ(sent.size(), order.size()) << ::testing::PrintToString(sent);
  for (size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(startsWith(sent[i], order[i])) << sent[i];
  EXPECT_EQ(sent[0], "SF3000004;");  // filter 3 serves 7.0-7.3 MHz
  EXPECT_EQ(sent[2], "SA2;");
  EXPECT_EQ(sent[3], storedTuneText());
  EXPECT_EQ(sent[4], "AT10;");
  // Generic mode: the frequency came from the amplifier, so it is not sent back.
  EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), [](const std::string& s) { return startsWith(s, "FA"); }));
  // Every command follows its own status poll; a handful of polls at most.
  const Texts all = amp_.texts(from);
  const auto polls = std::count(all.begin(), all.end(), std::string("ST;"));
  EXPECT_LE(polls, 40) << "took " << tookMs << " ms";
  std::printf("[ road ] 14.070 -> 7.050 MHz: %zu commands in %lld ms, %ld status polls\n", sent.size(),
              static_cast<long long>(tookMs), static_cast<long>(polls));

  EXPECT_EQ(w_->antennaIndex, 1);
  EXPECT_EQ(w_->Attenuator, 2);
  EXPECT_EQ(amp_.model().antenna, 1);
}

// With the FT-817 interface the frequency is unknown until the CAT link has
// read one: the amplifier hears nothing but polls until then, and the first
// real frequency runs the whole road, starting with the frequency itself.
TEST_F(FrequencyRoad, NothingIsSentUntilTheTransceiverReportsAFrequency) {
  w_->ModeWorkIdx = 2;
  startThreads();
  const size_t from = amp_.texts().size();
  ASSERT_TRUE(amp_.waitFor([&](const auto& rec) { return rec.size() >= from + 30; }, 5000));
  EXPECT_EQ(sentSince(0), Texts{});
  EXPECT_EQ(w_->lastFreq, 14070000u);

  w_->catSerFreq = 7050000;
  ASSERT_TRUE(settle(7050000));
  const Texts sent = sentSince(0);
  const std::vector<const char*> order = {"FA", "SF", "TS", "SA", "MT1", "AT"};
  ASSERT_EQ(sent.size(), order.size()) << ::testing::PrintToString(sent);
  for (size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(startsWith(sent[i], order[i])) << sent[i];
  EXPECT_EQ(sent[0], "FA00007050000;");
  EXPECT_EQ(amp_.model().setFreq, 7050000u);
}

TEST_F(FrequencyRoad, MoveWithinTheBandSendsNothingNew) {
  startThreads();
  ASSERT_TRUE(settle(14070000));
  amp_.setFrequency(7050000);
  ASSERT_TRUE(settle(7050000));
  const size_t from = amp_.texts().size();

  amp_.setFrequency(7100000);
  ASSERT_TRUE(settle(7100000));
  for (const std::string& s : sentSince(from)) {
    // The tuner setting of the new slot may be sent again, but it is the same one.
    if (startsWith(s, "MT1"))
      EXPECT_EQ(s, storedTuneText());
    else
      ADD_FAILURE() << "sent " << s;
  }
}

}  // namespace

namespace {

// A remote peer (or a finger) stepping the bank 301 times in 5 s: the
// amplifier ends on the last bank's antenna and attenuation for the band in
// use, whatever was asked for on the way.
TEST_F(FrequencyRoad, ThreeHundredBankChangesEndOnTheLastBank) {
  writeHost("/opt/set/antenna.txt", "!Gen\n20m 14000000 14350000 1 1 0 0 0.0\n");
  writeHost("/opt/set/antenna_b1.txt", "!Gen\n20m 14000000 14350000 1 3 0 1 0.0\n");
  w_->MAXbank = 2;
  w_->NumBanco = 0;
  startThreads();
  ASSERT_TRUE(waitSent(0, "MT1"));
  ASSERT_TRUE(settle(14070000));
  for (int i = 0; i < 301; ++i) {
    ChangeBanco(w_.get());
    platform::sleepMs(16);
  }
  ASSERT_EQ(w_->NumBanco, 1);
  ASSERT_TRUE(settle(14070000));
  const sim::AmpModel m = amp_.model();
  EXPECT_EQ(m.antenna, 2);
  EXPECT_EQ(m.attenuator, 1);
  EXPECT_LE(w_->cmdPath.highWater(), 12);
}

}  // namespace
