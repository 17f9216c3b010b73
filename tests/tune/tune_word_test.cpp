#include "tune/tune_word.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/log.h"
#include "state/works.h"
#include "works_fixture.h"

namespace {

uint32_t bits(std::initializer_list<int> list) {
  uint32_t w = 0;
  for (int b : list) w |= 1u << b;
  return w;
}

class TuneWordTest : public ::testing::Test {
 protected:
  OwnedWorks w_;
  std::vector<std::string> log_;
  void SetUp() override {
    platform::setLogObserver([this](const std::string& s) { log_.push_back(s); });
  }
  void TearDown() override { platform::setLogObserver({}); }
};

TEST_F(TuneWordTest, SettingBitsLandOnTheirWordBits) {
  SetC(w_.get(), 511);
  EXPECT_EQ(w_->tuneWord, bits({15, 2, 4, 6, 14, 12, 10, 8, 20}));
  w_->tuneWord = 0;
  SetI(w_.get(), 511);
  EXPECT_EQ(w_->tuneWord, bits({1, 3, 5, 7, 13, 11, 9, 19, 21}));
  // Values are taken modulo 512.
  SetC(w_.get(), 512);
  EXPECT_EQ(DecodeCapacitaFromTuneval(w_->tuneWord), 0);
  SetI(w_.get(), 513);
  EXPECT_EQ(DecodeInduttanzaFromTuneval(w_->tuneWord), 1);
}

TEST_F(TuneWordTest, EverySettingRoundTripsWithoutTouchingTheOtherFields) {
  for (int v = 0; v < 512; ++v) {
    w_->tuneWord = kTuneModeLC | bits({22, 17});  // reserved bits must be cleared
    SetC(w_.get(), v);
    SetI(w_.get(), 511 - v);
    uint32_t word = w_->tuneWord;
    ASSERT_EQ(DecodeCapacitaFromTuneval(word), v);
    ASSERT_EQ(DecodeInduttanzaFromTuneval(word), 511 - v);
    ASSERT_EQ(DecodeModoFromTuneval(word), 2);
    ASSERT_EQ(word & bits({22, 17}), 0u);
    ASSERT_EQ(word & ~(kTuneMaskC | kTuneMaskL | kTuneMaskMode), 0u);
  }
  EXPECT_EQ(kTuneMaskC & kTuneMaskL, 0u);
  EXPECT_EQ((kTuneMaskC | kTuneMaskL) & kTuneMaskMode, 0u);
}

TEST_F(TuneWordTest, DecodersDropReservedBitsAndReportBadModes) {
  EXPECT_EQ(DecodeCapacitaFromTuneval(bits({22})), 0);
  EXPECT_EQ(DecodeInduttanzaFromTuneval(bits({17})), 0);
  struct Case {
    uint32_t word;
    int mode;
    bool message;
  };
  const Case cases[] = {
      {0, 0, false},
      {kTuneModeCL | 0x1234, 1, false},
      {kTuneModeLC, 2, false},
      {kTuneModeBypass, 3, false},
      {kTuneModeBypass | kTuneModeCL, 0, true},
      {kTuneMaskMode, 0, true},
  };
  for (const auto& c : cases) {
    log_.clear();
    EXPECT_EQ(DecodeModoFromTuneval(c.word), c.mode) << std::hex << c.word;
    if (c.message) {
      ASSERT_EQ(log_.size(), 1u);
      EXPECT_EQ(log_[0], "2: DecodeModoFromTuneval -> tune: 0x" +
                             (std::string)(c.word == kTuneMaskMode ? "850000" : "810000") + " \n");
    } else {
      EXPECT_TRUE(log_.empty());
    }
  }
}

TEST_F(TuneWordTest, SetModeStoresBitsBypassAndCaptions) {
  struct Case {
    int mode;
    uint32_t modeBits;
    uint8_t bypass;
    const char* debug;
  };
  const Case cases[] = {
      {0, kTuneModeBypass, 1, "BP"},
      {1, kTuneModeCL, 0, "CL"},
      {2, kTuneModeLC, 0, "LC"},
      {3, kTuneModeBypass, 1, "BP"},
  };
  w_->EnableDebug = 1;
  for (const auto& c : cases) {
    w_->tuneWord = kTuneMaskMode | 0x3;
    SetMode(w_.get(), c.mode);
    EXPECT_EQ(w_->tuneWord, c.modeBits | 0x3) << c.mode;
    EXPECT_EQ(w_->atuBypass, c.bypass);
    EXPECT_EQ(w_->tuneMode, c.mode);
    EXPECT_EQ(GetModeTuneDebug(), c.debug);
  }
  // Mode 4 and above only store the mode.
  w_->tuneWord = kTuneModeLC;
  SetMode(w_.get(), 4);
  EXPECT_EQ(w_->tuneWord, kTuneModeLC);
  EXPECT_EQ(w_->tuneMode, 4);
}

TEST_F(TuneWordTest, ReadTneParTurnsNoModeIntoBypass) {
  w_->tuneWord = 0;
  ReadTnePar(w_.get());
  EXPECT_EQ(w_->tuneMode, 3);
  EXPECT_EQ(w_->tuneWord, kTuneModeBypass);
  EXPECT_EQ(w_->atuBypass, 1);

  SetC(w_.get(), 45);
  SetI(w_.get(), 120);
  SetMode(w_.get(), 2);
  ReadTnePar(w_.get());
  EXPECT_EQ(w_->tuneC, 45);
  EXPECT_EQ(w_->tuneL, 120);
  EXPECT_EQ(w_->tuneMode, 2);
}

// Two writers step the word under the semaphore; a semaphore that let both in
// would lose increments of the plain counter (and ThreadSanitizer would flag it).
TEST_F(TuneWordTest, SemaphoreLetsOneWriterInAtATime) {
  long counter = 0;
  constexpr int kRounds = 20000;
  auto writer = [&] {
    for (int i = 0; i < kRounds; ++i) {
      WaitSemaforoTuneval(w_.get());
      ++counter;
      SetC(w_.get(), static_cast<int>(counter));
      StopSemaforoTuneval(w_.get());
    }
  };
  std::thread a(writer), b(writer);
  a.join();
  b.join();
  EXPECT_EQ(counter, 2 * kRounds);
  EXPECT_EQ(w_->tuneSem, 0);
  EXPECT_EQ(DecodeCapacitaFromTuneval(w_->tuneWord), (2 * kRounds) % 512);
}

}  // namespace
