#include "tables/tuner_memory.h"

#include <gtest/gtest.h>

#include <climits>

#include "table_test_util.h"
#include "tune/tune_word.h"

namespace {

struct Region {
  int32_t from, to;
  int first, end;
};

// The regions as the tuner memory cuts 0..54 MHz.
const Region kRegions[] = {
    {0, 1800000, 0, 900},
    {1800000, 2000000, 900, 1000},
    {2000000, 3500000, 1000, 1375},
    {3500000, 4000000, 1375, 1500},
    {4000000, 5330000, 1500, 1766},
    {5330000, 5400000, 1766, 1780},
    {5400000, 7000000, 1780, 2100},
    {7000000, 7300000, 2100, 2160},
    {7300000, 10100000, 2160, 2720},
    {10100000, 10150000, 2720, 2725},
    {10150000, 14000000, 2725, 3110},
    {14000000, 14350000, 3110, 3145},
    {14350000, 18000000, 3145, 3510},
    {18000000, 18170000, 3510, 3527},
    {18170000, 21000000, 3527, 3810},
    {21000000, 21500000, 3810, 3835},
    {21500000, 24850000, 3835, 3969},
    {24850000, 25000000, 3969, 3975},
    {25000000, 28000000, 3975, 4095},
    {28000000, 29700000, 4095, 4163},
    {29700000, 50000000, 4163, 4569},
    {50000000, 54000000, 4569, 4649},
};

int slot(int32_t f, Region* r = nullptr) {
  Region tmp{};
  Region& out = r ? *r : tmp;
  return AtuIdxSearch(f, &out.from, &out.to, &out.first, &out.end);
}

TEST(AtuSlots, EveryRegionBoundary) {
  for (const auto& want : kRegions) {
    Region got{};
    EXPECT_EQ(slot(want.from, &got), want.first) << want.from;
    EXPECT_EQ(got.from, want.from);
    EXPECT_EQ(got.to, want.to);
    EXPECT_EQ(got.first, want.first);
    EXPECT_EQ(got.end, want.end);
    EXPECT_EQ(AtuFreqfromIdx(want.first), want.from);
    // The last hertz of a region rounds up to the next region's first slot.
    EXPECT_EQ(slot(want.to - 1, &got), want.end) << want.to - 1;
    EXPECT_EQ(got.first, want.first);
  }
}

TEST(AtuSlots, ExamplesAndInverse) {
  const std::pair<int32_t, int> examples[] = {{14070000, 3117}, {14074999, 3117}, {14075000, 3118},
                                              {1799000, 900},   {0, 0},           {53999999, 4649}};
  for (auto [f, idx] : examples) EXPECT_EQ(slot(f), idx) << f;
  EXPECT_EQ(AtuFreqfromIdx(3117), 14070000);
  EXPECT_EQ(AtuFreqfromIdx(900), 1800000);
  for (int i = 0; i < 4649; ++i) ASSERT_EQ(slot(AtuFreqfromIdx(i)), i) << i;
}

TEST(AtuSlots, AboveFiftyFourMegahertz) {
  EXPECT_EQ(slot(54000000), 4649);
  EXPECT_EQ(slot(54000001), 4650);
  EXPECT_EQ(slot(54100000), 4652);
  EXPECT_EQ(AtuFreqfromIdx(4649), 54000000);
  for (int32_t f : {54050000, 54100000, 60000000}) EXPECT_EQ(AtuFreqfromIdx(slot(f)), f) << f;
  // The top of the 32-bit range neither overflows nor lands inside the memory.
  EXPECT_GE(slot(INT32_MAX), kTuneMemSlots);
  // A negative frequency (a damaged reading taken as signed) has no slot and no
  // neighbours, instead of falling into the last region.
  Region r{};
  EXPECT_LT(slot(-1, &r), 0);
  EXPECT_EQ(r.first, r.end);
}

class TunerMemoryTest : public TablesTest {
 protected:
  void store(int32_t f, uint8_t mode, uint16_t L, uint16_t C, int antenna = 0) {
    TuneMemEntry e{1, mode, L, C};
    SaveTuneValsuTabRam(&e, slot(f), antenna, w_.get());
  }
  // Loads for `f` as command 27 would and returns the resulting word.
  uint32_t loadAt(int32_t f, int antenna = 0) {
    w_->freq = static_cast<uint32_t>(f);
    LoadTuneFromMEM(w_.get(), antenna);
    return w_->tuneWord;
  }
};

TEST_F(TunerMemoryTest, StoredSettingServesItsRegionOnly) {
  store(14070000, 1, 100, 200);
  for (int32_t f : {14065000, 14074999, 14000000, 14349999}) {
    w_->tuneWord = 0;
    uint32_t word = loadAt(f);
    EXPECT_EQ(DecodeInduttanzaFromTuneval(word), 100) << f;
    EXPECT_EQ(DecodeCapacitaFromTuneval(word), 200) << f;
    EXPECT_EQ(DecodeModoFromTuneval(word), 1) << f;
  }
  // Region 12 starts at 14350000: nothing there, however close.
  w_->tuneWord = kTuneModeBypass;
  EXPECT_EQ(loadAt(14350000), kTuneModeBypass);
  w_->freq = 14350000;
  GestioneLoadTuneVal(w_.get(), 1);
  w_->freq = 14200000;
  GestioneLoadTuneVal(w_.get(), 1);
  // Two tuner words asked for before either went out: the latest goes once.
  EXPECT_EQ(drainCommands(w_.get()), (std::vector<int>{27}));
}

TEST_F(TunerMemoryTest, NearestSlotWinsAndTiesKeepTheLowerSlot) {
  store(14040000, 1, 10, 10);  // slot 3114
  store(14060000, 1, 20, 20);  // slot 3116
  int32_t start, stop;
  int first, end;
  int idx = AtuIdxSearch(14050000, &start, &stop, &first, &end);  // slot 3115, equidistant
  EXPECT_EQ(SearchBestTune(w_.get(), idx, first, end, 0), 3114);
  EXPECT_EQ(SearchBestTune(w_.get(), idx + 1, first, end, 0), 3116);
  EXPECT_EQ(SearchBestTune(w_.get(), idx, first, end, 1), -1);  // other antenna
  EXPECT_EQ(EsisteTuneValInTabRam(w_.get(), idx, first, end, 0), 0);
  EXPECT_EQ(EsisteTuneValInTabRam(w_.get(), idx, first, end, 2), 1);
  EXPECT_EQ(DecodeInduttanzaFromTuneval(loadAt(14300000)), 20);
}

TEST_F(TunerMemoryTest, LoadingRules) {
  // A stored bypass comes back as a CL network.
  store(7100000, 3, 5, 6);
  uint32_t word = loadAt(7100000);
  EXPECT_EQ(DecodeModoFromTuneval(word), 1);
  EXPECT_EQ(w_->atuBypass, 0);
  EXPECT_TRUE(logged(">>>>>>>>>>>>>>> MEMTUNE: load a Tune for 7100000 idx:2120 -> C 6 I 5!!\n"));

  // The same setting again changes nothing and prints nothing.
  log_.clear();
  loadAt(7100000);
  EXPECT_FALSE(logged("MEMTUNE"));

  // An empty region leaves the word alone but refreshes the decoded fields.
  w_->tuneWord = kTuneModeLC;
  SetC(w_.get(), 33);
  w_->tuneC = 0;
  EXPECT_EQ(DecodeCapacitaFromTuneval(loadAt(3600000)), 33);
  EXPECT_EQ(w_->tuneC, 33);
  EXPECT_EQ(w_->tuneMode, 2);

  // Out-of-range antennas and slots read as empty and store nothing.
  TuneMemEntry e{1, 1, 1, 1};
  SaveTuneValsuTabRam(&e, 5000, 0, w_.get());
  SaveTuneValsuTabRam(&e, -1, 0, w_.get());
  SaveTuneValsuTabRam(&e, 10, 3, w_.get());
  LoadTuneValFromTabRam(&e, 5000, 0, w_.get());
  EXPECT_EQ(e.valid, 0);

  // No load while an automatic tune runs.
  w_->tunerRunning = 1;
  GestioneLoadTuneVal(w_.get(), 1);
  EXPECT_TRUE(drainCommands(w_.get()).empty());
}

TEST_F(TunerMemoryTest, FileLineRoundTrip) {
  const std::string text =
      "; stored by hand\n"
      "3117 14070000 1 2 120 45\n"
      "900 0 1 1 511 0\n"
      "5000 1 1 1 1 1\n"
      "-3 1 1 1 1 1\n"
      "garbage\n";
  writeHost("/opt/set/atu_ant2_b7.txt", text);
  TuneMemEntry stale{1, 1, 1, 1};
  SaveTuneValsuTabRam(&stale, 10, 1, w_.get());
  LoadTabAtu(w_.get(), 7, 1);
  TuneMemEntry e;
  LoadTuneValFromTabRam(&e, 3117, 1, w_.get());
  EXPECT_EQ(e.valid, 1);
  EXPECT_EQ(e.mode, 2);
  EXPECT_EQ(e.L, 120);
  EXPECT_EQ(e.C, 45);
  LoadTuneValFromTabRam(&e, 10, 1, w_.get());
  EXPECT_EQ(e.valid, 0);  // the memory was cleared before loading
  int bad = 0;
  for (const auto& l : log_) bad += l == "2: LoadTabAtu Errore idx\n";
  EXPECT_EQ(bad, 3);

  SaveTabAtu(w_.get(), 7, 1);
  EXPECT_EQ(readHost("/opt/set/atu_ant2_b7.txt"), "900 1800000 1 1 511 0\n3117 14070000 1 2 120 45\n");
  EXPECT_TRUE(logged("SaveTabAtu Bank7 , antenna 1\n"));
}

TEST_F(TunerMemoryTest, InsertStoresThePresentWordAndWritesTheFile) {
  w_->freq = 14070000;
  SetC(w_.get(), 45);
  SetI(w_.get(), 120);
  SetMode(w_.get(), 2);
  InsertTuneToMem(w_.get(), 0, 2);
  EXPECT_EQ(readHost("/opt/set/atu_ant3.txt"), "3117 14070000 1 2 120 45\n");
  EXPECT_TRUE(logged("--------------> Save Tune To File idx 14070000 (idx:3117)\n"));
  EXPECT_TRUE(logged("-------------- Save TuneVal C:45, L:120, M:2\n"));
  // A missing file empties the memory.
  LoadTabAtu(w_.get(), 4, 2);
  TuneMemEntry e;
  LoadTuneValFromTabRam(&e, 3117, 2, w_.get());
  EXPECT_EQ(e.valid, 0);
}

}  // namespace
