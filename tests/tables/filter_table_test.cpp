#include "tables/filter_table.h"

#include <gtest/gtest.h>

#include "platform/board.h"
#include "table_test_util.h"

namespace {

const std::string kHeader =
    ";Fstart(hz)\tFstop         enabled   : 1= abilitata, l'ordine delle righe corrisponde al filtro di "
    "attivazione   j23 ultimo by pass (0 ,54000000)  verso esterno\n";

const std::string kTable = kHeader +
                           "1800000\t\t2000000\t\t1 \n"
                           "3500000\t\t4000000\t\t1 \n"
                           "5000000\t\t7300000\t\t1 \n"
                           "7000000\t\t7300000\t\t1 \n"
                           "10000000\t\t14350000\t\t0 \n"
                           "14000000\t\t14350000\t\t1 \n"
                           "18000000\t\t30000000\t\t2 \n"
                           "0\t\t54000000\t\t1 \n";

class FilterTableTest : public TablesTest {
 protected:
  void load(const std::string& text) {
    writeHost("/opt/set/filter.txt", text);
    LoadTabFiltri(w_.get());
  }
  // Selects for `f` and returns the codes queued.
  std::vector<int> select(uint32_t f) {
    w_->freq = f;
    SetFilterFromfreq(w_.get());
    return drainCommands(w_.get());
  }
};

TEST_F(FilterTableTest, LoadSaveLoadIsByteForByte) {
  load(kTable);
  EXPECT_TRUE(logged("Filter 0 1800000,2000000,1\n"));
  EXPECT_TRUE(logged("Filter 6 18000000,30000000,2\n"));
  SaveTabFiltri(w_.get());
  EXPECT_EQ(readHost("/opt/set/filter.txt"), kTable);
  EXPECT_FALSE(platform::optSetWritable());
  load(readHost("/opt/set/filter.txt"));
  SaveTabFiltri(w_.get());
  EXPECT_EQ(readHost("/opt/set/filter.txt"), kTable);
}

TEST_F(FilterTableTest, SelectionRules) {
  load(kTable);
  struct Case {
    uint32_t freq;
    std::vector<int> sent;
    uint8_t mask;
  };
  const Case cases[] = {
      {1800000, {28}, 0x01},   // inclusive start
      {2000000, {}, 0x01},     // inclusive stop, same filter: nothing resent
      {7100000, {28}, 0x04},   // entries 2 and 3 overlap: the lower index wins
      {14000000, {28}, 0x20},  // entry 4 is disabled
      {21000000, {28}, 0x80},  // entry 6 is enabled with 2, which counts as disabled
      {21100000, {}, 0x80},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(select(c.freq), c.sent) << c.freq;
    EXPECT_EQ(w_->filterMask, c.mask) << c.freq;
  }
  EXPECT_TRUE(logged(">>>>>>>>>>>>>>> SET FILTER: 3!!\n"));
}

TEST_F(FilterTableTest, DisablingTheFilterInUse) {
  load(kTable);
  select(7100000);
  w_->filterSel = 2;
  EnDisFilter(w_.get(), 0);
  EXPECT_EQ(drainCommands(w_.get()), std::vector<int>{28});
  EXPECT_EQ(w_->filterMask, 0x08);
  EXPECT_NE(readHost("/opt/set/filter.txt").find("5000000\t\t7300000\t\t0 \n"), std::string::npos);

  // With no other entry for the frequency nothing is sent and the mask stays.
  w_->filterSel = 7;
  EnDisFilter(w_.get(), 0);
  w_->filterSel = 3;
  EnDisFilter(w_.get(), 0);
  EXPECT_TRUE(drainCommands(w_.get()).empty());
  EXPECT_EQ(w_->filterMask, 0x08);
}

TEST_F(FilterTableTest, MissingShortAndDamagedFiles) {
  LoadTabFiltri(w_.get());
  EXPECT_TRUE(logged("Filter File not FOUND!!\n"));
  EXPECT_TRUE(select(14000000).empty());

  // Hexadecimal and octal ranges, a short table, a line cut at 511 bytes, a
  // line with control bytes and missing numbers.
  load(";c\n0x1b7740 07502200 1\n" + std::string(600, '9') + "\n7000000\x01 7300000 1\n14000000\n");
  EXPECT_EQ(select(1800000), std::vector<int>{28});
  EXPECT_EQ(select(1000000), std::vector<int>{});
  EXPECT_EQ(select(7100000), std::vector<int>{28});
  EXPECT_EQ(w_->filterMask, 0x04);
  EXPECT_TRUE(logged("longer than 511 bytes"));
  EXPECT_TRUE(logged("not text"));
  // Lines with numbers missing keep their filter's place, switched off.
  EXPECT_TRUE(logged("filter.txt line 3 does not read as start, stop, enabled: filter 2 disabled"));
  EXPECT_TRUE(logged("filter.txt line 5 does not read as start, stop, enabled: filter 4 disabled"));
  std::string saved = (SaveTabFiltri(w_.get()), readHost("/opt/set/filter.txt"));
  EXPECT_NE(saved.find("\n7000000\t\t7300000\t\t1 \n0\t\t0\t\t0 \n0\t\t0\t\t0 \n"), std::string::npos);
}

TEST_F(FilterTableTest, FailedRemountKeepsTheOldFile) {
  load(kTable);
  platform::setSandboxAnswer(platform::BoardAction::RemountSettingsWritable, [](const platform::BoardCall&) {
    return platform::BoardResult{1, ""};
  });
  w_->filterSel = 0;
  EnDisFilter(w_.get(), 0);
  platform::setSandboxAnswer(platform::BoardAction::RemountSettingsWritable, nullptr);
  EXPECT_EQ(readHost("/opt/set/filter.txt"), kTable);
  EXPECT_TRUE(logged("E: can't mount rw /opt/set/ error"));
  EXPECT_TRUE(logged("2: can't mount rw /opt/set/ error"));
}

}  // namespace
