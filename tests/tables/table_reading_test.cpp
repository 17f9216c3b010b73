// Tables are read whole or not at all: blank lines are no entries, a line
// that does not read keeps its place switched off, and a file that cannot be
// read is neither taken for a missing one nor overwritten with defaults.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "amp/fan.h"
#include "platform/files.h"
#include "sample_tables.h"
#include "state/outbox.h"
#include "state/setup.h"
#include "tables/antenna_tables.h"
#include "tables/config_table.h"
#include "tables/filter_table.h"
#include "tables/tuner_memory.h"
#include "table_test_util.h"

namespace {

const char* kBands =
    "!Gen\n"
    "160m 1800000 2000000 1 1 0 0 0.0\n"
    "80m 3500000 4000000 1 2 0 1 0.0\n"
    "40m 7000000 7300000 1 3 1 2 0.0\n"
    "20m 14000000 14350000 1 1 0 3 0.0\n";

class TableReadingTest : public TablesTest {
 protected:
  void TearDown() override {
    for (const char* p : {"/opt/set/antenna.txt", "/opt/set/atu_ant1.txt", "/opt/set/filter.txt", kSetupPath}) {
      platform::setSandboxReadError(p, 0);
      FileOutbox().allowWrites(p);
    }
    TablesTest::TearDown();
  }
  int filterFor(uint32_t f) {
    w_->filterMask = 0;
    w_->freq = f;
    SetFilterFromfreq(w_.get());
    drainCommands(w_.get());
    return w_->filterMask;
  }
  int bandRowFor(int32_t f) {
    std::lock_guard lock(w_->bandMutex);
    for (int i = 0; i < w_->bandRows; ++i)
      if (w_->bandTab[i].start <= f && f <= w_->bandTab[i].stop) return i;
    return -1;
  }
};

TEST_F(TableReadingTest, BlankLinesAreNoEntries) {
  // filter.txt: 40 m stays on its own relay ("SF3000004;"), not the next one.
  std::string filters = sim::sampleFilterTxt();
  filters.insert(filters.find("5330500"), "\n  \t\n");
  writeHost("/opt/set/filter.txt", filters);
  LoadTabFiltri(w_.get());
  EXPECT_EQ(filterFor(7050000), 0x04);
  EXPECT_EQ(filterFor(50100000), 0x80);
  // A band table: every row after the blank line keeps its range.
  std::string bands = kBands;
  bands.insert(bands.find("40m"), "\n\n");
  writeHost("/opt/set/antenna.txt", bands);
  LoadTabConfig(w_.get(), 0);
  EXPECT_EQ(w_->bandRows, 4);
  EXPECT_FALSE(logged("Error Reinit antenna"));
  EXPECT_EQ(bandRowFor(7050000), 2);
  EXPECT_EQ(bandRowFor(14070000), 3);
  // config.txt and atu_ant*.txt: nothing made of blank lines.
  EXPECT_EQ(ParseConfigText("\n" + sim::sampleConfigTxt() + "\n   \n").size(), 12u);
  ParseTabAtu(w_.get(), 0, "\n\n3117 14070000 1 2 120 45\n\n");
  EXPECT_FALSE(logged("LoadTabAtu Errore idx"));
  EXPECT_EQ(w_->tuneMem[0][3117].L, 120);
  EXPECT_EQ(ParseVentolaText("\n25 20\n\n35 40\n").size(), 2u);
  EXPECT_FALSE(logged("ventola.txt line"));
}

TEST_F(TableReadingTest, ALineThatDoesNotReadKeepsItsPlaceDisabled) {
  // filter.txt line 3 is the third filter: it is off, and the fourth stays fourth.
  writeHost("/opt/set/filter.txt",
            "1800000 2000000 1\n3500000 4000000 1\n5330500 7300000 yes\n10100000 10150000 1\n");
  LoadTabFiltri(w_.get());
  EXPECT_TRUE(logged("filter.txt line 3 does not read"));
  EXPECT_EQ(filterFor(7050000), 0);  // nothing selected: the amplifier keeps its filter
  EXPECT_EQ(filterFor(10120000), 0x08);

  // A band row: no frequency selects it, the rows after it keep their place,
  // and a save writes it back as it was.
  std::string bands = kBands;
  bands.replace(bands.find("80m 3500000 4000000 1 2 0 1 0.0"), 31, "80m 3500000 four 1 2 0 1");
  writeHost("/opt/set/antenna.txt", bands);
  LoadTabConfig(w_.get(), 0);
  EXPECT_TRUE(logged("antenna.txt line 3 does not read as a band row: row 2 disabled"));
  EXPECT_FALSE(logged("Error Reinit antenna"));
  EXPECT_EQ(bandRowFor(3600000), -1);
  EXPECT_EQ(bandRowFor(7050000), 2);
  SaveTabConfig(w_.get(), 0);
  EXPECT_EQ(readHost("/opt/set/antenna.txt"), bands);

  // A stored tune with a field missing leaves its slot empty.
  ParseTabAtu(w_.get(), 0, "3117 14070000 1 2 120\n3118 14080000 1 2 121 46\n");
  EXPECT_TRUE(logged("atu_ant.txt line 1 does not read as a stored tune: slot 3117 left empty"));
  EXPECT_EQ(w_->tuneMem[0][3117].valid, 0);
  EXPECT_EQ(w_->tuneMem[0][3118].C, 46);

  // A band segment cut short is never selected, but still closes the one before.
  std::string config = sim::sampleConfigTxt();
  const size_t cut = config.find("-0.006   8 12.69 20 85    90");
  config.replace(cut, config.find('\n', cut) - cut, "-0.006   8");
  std::vector<ConfigRow> rows = ParseConfigText(config);
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_FALSE(rows[6].usable);
  EXPECT_EQ(ConfigRowFor(rows, 17000000), -1);
  EXPECT_EQ(ConfigRowFor(rows, 14070000), 5);
}

TEST_F(TableReadingTest, AnUnreadableFileIsNotTakenForAMissingOne) {
  // A folder where filter.txt should be: logged as unreadable, not "not found".
  std::filesystem::create_directory(host("/opt/set/filter.txt"));
  LoadTabFiltri(w_.get());
  EXPECT_FALSE(logged("Filter File not FOUND!!"));
  EXPECT_TRUE(logged("filter.txt: can't read /opt/set/filter.txt"));
  // An I/O error on the band table: defaults in memory, the file kept
  // through a save of the band row.
  writeHost("/opt/set/antenna.txt", kBands);
  platform::setSandboxReadError("/opt/set/antenna.txt", EIO);
  LoadTabConfig(w_.get(), 0);
  EXPECT_EQ(w_->bandRows, kBandRowsMax);
  w_->freq = 7050000;
  SaveToBank(w_.get(), 0, 0);
  EXPECT_EQ(readHost("/opt/set/antenna.txt"), kBands);
  EXPECT_TRUE(logged("could not be read at load: not overwritten"));
  // The tuner memory: a stored tune does not wipe the file's other tunes.
  writeHost("/opt/set/atu_ant1.txt", "3117 14070000 1 2 120 45\n");
  platform::setSandboxReadError("/opt/set/atu_ant1.txt", EIO);
  LoadTabAtu(w_.get(), 0, 0);
  w_->freq = 7050000;
  InsertTuneToMem(w_.get(), 0, 0);
  EXPECT_EQ(readHost("/opt/set/atu_ant1.txt"), "3117 14070000 1 2 120 45\n");
  // Readable again: the next load reads it and later saves go through.
  platform::setSandboxReadError("/opt/set/atu_ant1.txt", 0);
  LoadTabAtu(w_.get(), 0, 0);
  EXPECT_EQ(w_->tuneMem[0][3117].C, 45);
  InsertTuneToMem(w_.get(), 0, 0);
  EXPECT_NE(readHost("/opt/set/atu_ant1.txt").find("3117 14070000 1 2 120 45\n"), std::string::npos);
  EXPECT_NE(readHost("/opt/set/atu_ant1.txt"), "3117 14070000 1 2 120 45\n");
}

TEST_F(TableReadingTest, AnUnreadableSetupFileIsNeverReplacedByDefaults) {
  writeHost(kSetupPath, "WebSocket: 2\nNumBanco: 7\n");
  platform::setSandboxReadError(kSetupPath, EIO);
  readSetup(w_.get());
  EXPECT_EQ(readHost(kSetupPath), "WebSocket: 2\nNumBanco: 7\n");
  writeSetup(w_.get());
  EXPECT_EQ(readHost(kSetupPath), "WebSocket: 2\nNumBanco: 7\n");
  // Missing is another thing: the defaults are written.
  platform::setSandboxReadError(kSetupPath, 0);
  std::filesystem::remove(host(kSetupPath));
  readSetup(w_.get());
  EXPECT_NE(readHost(kSetupPath).find("NumBanco: 1\n"), std::string::npos);
}

TEST_F(TableReadingTest, AReadErrorFailsTheWholeRead) {
  // The error fails the read rather than giving what came before it.
  writeHost("/opt/set/x.txt", "abc");
  platform::setSandboxReadError("/opt/set/x.txt", EIO);
  platform::FileRead r = platform::readWholeFile("/opt/set/x.txt");
  EXPECT_EQ(r.status, platform::FileRead::Status::Failed);
  EXPECT_EQ(r.error, EIO);
  platform::setSandboxReadError("/opt/set/x.txt", 0);
  EXPECT_EQ(platform::readWholeFile("/opt/set/x.txt").bytes, "abc");
  EXPECT_EQ(platform::readWholeFile("/opt/set/none.txt").status, platform::FileRead::Status::Missing);
}

}  // namespace
