#include "tables/antenna_tables.h"

#include <gtest/gtest.h>

#include "platform/board.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "state/setup_record.h"
#include "state/thread_starter.h"
#include "table_test_util.h"
#include "tables/banks.h"
#include "tables/interface_mode.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"

namespace {

const std::string kBank =
    "!Vyr\n"
    "160m 1800000 2000000 1 2 0 1 0.0\n"
    "80m 3500000 4000000 0 0 1 0 12.5\n"
    "60m 5330500 5450000 1 3 0 3 0.3\n"
    "40m 7000000 7300000 1 1 1 2 100.0\n"
    "30m 7300000 10150000 0 2 0 0 0.0\n";

class AntennaTablesTest : public TablesTest {
 protected:
  int loadBank(int bank, const std::string& text) {
    writeHost(tables::bandTablePath(bank), text);
    return LoadTabConfig(w_.get(), bank);
  }
  BandRow row(int i) {
    std::lock_guard lock(w_->bandMutex);
    return w_->bandTab[i];
  }
};

TEST(BankFiles, NamesPerBank) {
  EXPECT_EQ(tables::bandTablePath(0), "/opt/set/antenna.txt");
  EXPECT_EQ(tables::bandTablePath(7), "/opt/set/antenna_b7.txt");
  EXPECT_EQ(tables::bandTablePath(19), "/opt/set/antenna_b19.txt");
  EXPECT_EQ(tables::bandTablePath(20), "/opt/set/antenna.txt");
  EXPECT_EQ(tables::bandTablePath(-1), "/opt/set/antenna.txt");
  EXPECT_EQ(tables::tuneMemPath(0, 0), "/opt/set/atu_ant1.txt");
  EXPECT_EQ(tables::tuneMemPath(7, 1), "/opt/set/atu_ant2_b7.txt");
  EXPECT_EQ(tables::tuneMemPath(19, 2), "/opt/set/atu_ant3_b19.txt");
  EXPECT_EQ(tables::tuneMemPath(25, 2), "/opt/set/atu_ant3.txt");
}

TEST_F(AntennaTablesTest, LoadSaveLoadIsByteForByte) {
  w_->bandRowIdx = 5;
  EXPECT_EQ(loadBank(7, kBank), 1);
  EXPECT_EQ(w_->bandRows, 5);
  EXPECT_EQ(w_->bandRowIdx, -1);
  EXPECT_STREQ(row(1).name, "80m");
  EXPECT_FLOAT_EQ(row(1).pwr, 12.5f);
  w_->ModeWorkIdx = 1;
  SaveTabConfig(w_.get(), 7);
  EXPECT_EQ(readHost("/opt/set/antenna_b7.txt"), kBank);
  EXPECT_EQ(loadBank(7, readHost("/opt/set/antenna_b7.txt")), 1);
  SaveTabConfig(w_.get(), 7);
  EXPECT_EQ(readHost("/opt/set/antenna_b7.txt"), kBank);
}

TEST_F(AntennaTablesTest, HeadersAndRowLimits) {
  struct Case {
    std::string text;
    int type, rows;
  };
  std::string twelve;
  for (int i = 1; i <= 12; ++i) twelve += "b" + std::to_string(i) + " 1 2 1 1 0 0 0.0\n";
  const Case cases[] = {
      {"160m 1800000 2000000 1 1 0 0 0\n", 0, 1},
      {"!817\n160m 1800000 2000000 1 1 0 0 0\n", 2, 1},
      {"!817\n!xyz\n", 2, 0},
      {"!Gen\n!Vyr\n;!817\n", 1, 0},
      {twelve, 0, 11},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(loadBank(3, c.text), c.type) << c.text;
    EXPECT_EQ(w_->bandRows, c.rows) << c.text;
  }
  EXPECT_STREQ(row(10).name, "b11");
}

TEST_F(AntennaTablesTest, MissingAndDamagedTables) {
  w_->bandRowIdx = 4;
  EXPECT_EQ(LoadTabConfig(w_.get(), 2), 0);
  EXPECT_EQ(w_->bandRows, 11);
  EXPECT_EQ(w_->bandRowIdx, 4);  // left alone when the file is missing
  EXPECT_STREQ(row(10).name, "6m");
  EXPECT_EQ(row(2).start, 5330500);
  EXPECT_EQ(row(2).ant, 1);
  EXPECT_EQ(row(2).atuOff, 1);

  // A zero range repairs names and ranges of all 11 rows, keeping the rest.
  loadBank(2, "!Gen\nAVeryLongName 0x1b7740 2000000 1 3 0 2 5.5\nxx 0 0 1 2 0 1 0\n");
  EXPECT_TRUE(logged("Error Reinit antenna\n"));
  EXPECT_EQ(w_->bandRows, 11);
  EXPECT_STREQ(row(0).name, "160m");
  EXPECT_EQ(row(1).start, 3500000);
  EXPECT_EQ(row(0).ant, 3);
  EXPECT_EQ(row(0).att, 2);
  EXPECT_FLOAT_EQ(row(0).pwr, 5.5f);
  EXPECT_EQ(row(1).ampEnable, 1);

  // Names keep 7 characters; bytes that are not text do not end up in a file.
  loadBank(2, "LongName123 1800000 2000000 1 1 0 0 1e300\n20\x02 14000000 14350000 1 1 0 0 nan\n");
  EXPECT_STREQ(row(0).name, "LongNam");
  EXPECT_STREQ(row(1).name, "20");
  SaveTabConfig(w_.get(), 2);
  for (char c : readHost("/opt/set/antenna_b2.txt")) EXPECT_TRUE(c == '\n' || (c >= 32 && c < 127));
}

class AutoSelectTest : public AntennaTablesTest {
 protected:
  void SetUp() override {
    AntennaTablesTest::SetUp();
    loadBank(0, kBank);
    w_->antennaIndex = 0;
    w_->ampBypass = 0;
    w_->Attenuator = 0;
  }
  std::vector<int> selectAt(uint32_t f) {
    w_->freq = f;
    GestioneAntennaAutomatica(w_.get());
    return drainCommands(w_.get());
  }
};

TEST_F(AutoSelectTest, InsideBetweenAndOnTheBorder) {
  // 160m: antenna 2, tuner in line (nothing stored: neutral), amplifier in line.
  EXPECT_EQ(selectAt(1900000), (std::vector<int>{7, 40, 14}));
  EXPECT_EQ(w_->bandRowIdx, 0);
  EXPECT_EQ(w_->antennaIndex, 1);
  EXPECT_EQ(w_->Attenuator, 1);
  EXPECT_EQ(w_->attStep, 1);

  // Between bands nothing changes.
  EXPECT_TRUE(selectAt(3000000).empty());
  EXPECT_EQ(w_->bandRowIdx, 100);
  EXPECT_EQ(w_->antennaIndex, 1);

  // 80m: antenna 0 never changes the antenna; tuner bypassed; amplifier off.
  EXPECT_EQ(selectAt(3500000), (std::vector<int>{39, 20}));
  EXPECT_TRUE(logged("TABLE CONFIG : BYPASS 1 (1)\n"));
  w_->atuBypass = 1;
  w_->ampBypass = 1;
  EXPECT_EQ(selectAt(4000000), (std::vector<int>{39}));  // bypass queued again

  // 7300000 is the stop of 40m and the start of the next row: 40m wins.
  EXPECT_EQ(selectAt(7300000), (std::vector<int>{7, 39, 19, 14}));
  EXPECT_EQ(w_->bandRowIdx, 3);
  EXPECT_EQ(w_->antennaIndex, 0);
  EXPECT_EQ(selectAt(7300001), (std::vector<int>{7, 40}));  // amplifier already bypassed
  EXPECT_EQ(w_->bandRowIdx, 4);
}

TEST_F(AutoSelectTest, StoredTuneIsRequested) {
  TuneMemEntry e{1, 1, 10, 10};
  SaveTuneValsuTabRam(&e, 2120, 2, w_.get());  // 7100000 on antenna 3
  w_->antennaIndex = 2;
  EXPECT_EQ(selectAt(5400000), (std::vector<int>{40, 14}));  // 60m, antenna 3 kept, empty region
  w_->freq = 7100000;
  w_->antennaIndex = 2;
  {
    std::lock_guard lock(w_->bandMutex);
    w_->bandTab[3].atuOff = 0;
    w_->bandTab[3].ant = 3;
  }
  EXPECT_EQ(selectAt(7150000), (std::vector<int>{27, 14}));
}

TEST_F(AntennaTablesTest, SaveToBankAndCellEditing) {
  loadBank(4, kBank);
  w_->ModeWorkIdx = 1;
  w_->freq = 7100000;
  w_->atuBypass = 0;
  w_->Attenuator = 3;
  w_->attStep = 4;
  SaveToBank(w_.get(), 4, 2);
  EXPECT_NE(readHost("/opt/set/antenna_b4.txt").find("40m 7000000 7300000 0 3 0 3 100.0\n"), std::string::npos);
  w_->freq = 3000000;  // no row: the file is written unchanged
  SaveToBank(w_.get(), 5, 0);
  EXPECT_EQ(readHost("/opt/set/antenna_b5.txt"), readHost("/opt/set/antenna_b4.txt"));

  struct Edit {
    int col, dir;
    uint8_t BandRow::*field;
    std::vector<int> values;  // after each of four presses
  };
  const Edit edits[] = {
      {1, 0, &BandRow::att, {2, 3, 0, 1}},  // row 2 starts at att 1... see below
      {1, 1, &BandRow::att, {0, 0, 0, 0}},    {2, 0, &BandRow::ampEnable, {0, 1, 0, 1}},
      {3, 0, &BandRow::ant, {1, 2, 3, 1}},    {3, 1, &BandRow::ant, {2, 1, 3, 2}},
      {4, 1, &BandRow::atuOff, {1, 0, 1, 0}},
  };
  for (const auto& e : edits) {
    loadBank(4, "x 1 2 1 3 0 1 0.5\n");
    w_->bandSelRow = 0;
    w_->bandSelCol = e.col;
    for (int v : e.values) {
      ModifytabAntenna(w_.get(), e.dir);
      EXPECT_EQ(row(0).*e.field, v) << "column " << e.col;
    }
  }
  loadBank(4, "x 1 2 1 3 0 1 0.5\n");
  w_->bandSelCol = 0;
  ModifytabAntenna(w_.get(), 0);
  EXPECT_NEAR(row(0).pwr, 0.6f, 1e-5);
  w_->bandSelRow = 11;  // outside the table: ignored
  ModifytabAntenna(w_.get(), 0);
}

// Records the link threads the tables ask the program for.
std::vector<LinkThread> gStarted;
void recordStart(Works*, LinkThread which) { gStarted.push_back(which); }
constexpr ThreadStarter kRecordingStarter{recordStart, nullptr, nullptr};

class BanksTest : public AntennaTablesTest {
 protected:
  void SetUp() override {
    AntennaTablesTest::SetUp();
    w_->MAXbank = 20;
    w_->setup->enaser = '0';
    w_->setup->enaCatSer = '0';
    w_->threadStarter = &kRecordingStarter;
    gStarted.clear();
  }
};

TEST_F(BanksTest, InterfaceTypeSwitchesTheLinks) {
  struct Case {
    int mode;
    char enaser, enaCatSer;
  };
  const Case cases[] = {{1, '1', '0'}, {2, '0', '1'}, {0, '0', '0'}, {1, '1', '0'}};
  for (const auto& c : cases) {
    w_->ModeWorkIdx = c.mode;
    SetModeWorkIDX(w_.get());
    EXPECT_EQ(w_->setup->enaser, c.enaser) << c.mode;
    EXPECT_EQ(w_->setup->enaCatSer, c.enaCatSer) << c.mode;
    EXPECT_EQ(drainCommands(w_.get()), std::vector<int>{35});
  }
  // Each link is asked for only when its flag goes from off to on.
  EXPECT_EQ(gStarted, (std::vector<LinkThread>{LinkThread::ExtIo, LinkThread::CatSerial, LinkThread::ExtIo}));

  // The next interface is recorded in the bank file's header.
  w_->NumBanco = 6;
  w_->ModeWorkIdx = 1;
  ChangeInterfaceBanco(w_.get());
  EXPECT_EQ(w_->ModeWorkIdx, 2);
  EXPECT_EQ(readHost("/opt/set/antenna_b6.txt").substr(0, 5), "!817\n");
  ChangeInterfaceBanco(w_.get());
  EXPECT_EQ(w_->ModeWorkIdx, 0);
}

TEST_F(BanksTest, NextBankWrapsToBankZero) {
  writeHost("/opt/set/antenna.txt", "!817\n160m 1800000 2000000 1 2 0 1 0.0\n");
  writeHost("/opt/set/atu_ant2.txt", "3117 14070000 1 2 120 45\n");
  w_->NumBanco = 19;
  ChangeBanco(w_.get());
  EXPECT_EQ(w_->NumBanco, 0);
  EXPECT_EQ(w_->ModeWorkIdx, 2);
  EXPECT_EQ(w_->bandRows, 1);
  EXPECT_EQ(w_->bandRowIdx, -1);
  TuneMemEntry e;
  LoadTuneValFromTabRam(&e, 3117, 1, w_.get());
  EXPECT_EQ(e.L, 120);
  EXPECT_NE(readHost("/opt/set/setup.txt").find("NumBanco: 0\n"), std::string::npos);
  ChangeBanco(w_.get());
  EXPECT_EQ(w_->NumBanco, 1);
  EXPECT_EQ(w_->bandRows, 11);  // bank 1 has no file: defaults
}

// The copy's rows come from the origin bank, but its header records the
// interface of the bank in use, as every other save of a band table does.
TEST_F(BanksTest, CopyHeaderRecordsTheInterfaceInUse) {
  writeHost("/opt/set/antenna_b3.txt", kBank);  // made for the external IO link
  const std::string rows = kBank.substr(kBank.find('\n') + 1);
  struct Case {
    int mode;
    const char* header;
  } cases[] = {{0, "!Gen\n"}, {2, "!817\n"}, {1, "!Vyr\n"}};
  for (const Case& c : cases) {
    w_->ModeWorkIdx = c.mode;
    CopyBank(w_.get(), 3, 8);
    EXPECT_EQ(readHost("/opt/set/antenna_b8.txt"), c.header + rows) << c.mode;
    EXPECT_EQ(w_->ModeWorkIdx, c.mode);
    EXPECT_EQ(w_->bandRows, 11);  // the current bank's rows stay in memory (its file is missing: defaults)
  }
}

TEST_F(BanksTest, CopyAndReset) {
  writeHost("/opt/set/antenna_b3.txt", kBank);
  writeHost("/opt/set/atu_ant1_b3.txt", "3117 14070000 1 2 120 45\n");
  w_->ModeWorkIdx = 1;  // the loaded bank follows the same interface as bank 3
  CopyBank(w_.get(), 3, 8);
  EXPECT_EQ(readHost("/opt/set/antenna_b8.txt"), kBank);
  EXPECT_EQ(readHost("/opt/set/atu_ant1_b8.txt"), "3117 14070000 1 2 120 45\n");
  EXPECT_EQ(readHost("/opt/set/atu_ant3_b8.txt"), "");

  w_->NumBanco = 8;
  platform::clearCommandRecord();
  ResetBank(w_.get(), 8);
  auto record = platform::commandRecord();
  EXPECT_NE(std::find(record.begin(), record.end(), "rm -f /opt/set/antenna_b8.txt"), record.end());
  EXPECT_NE(std::find(record.begin(), record.end(), "rm -f /opt/set/atu_ant3_b8.txt"), record.end());
  EXPECT_FALSE(platform::fileExists("/opt/set/antenna_b8.txt"));
  EXPECT_TRUE(platform::fileExists("/opt/set/antenna_b3.txt"));
  EXPECT_EQ(w_->bandRows, 11);
  EXPECT_EQ(w_->bandRowIdx, -1);

  ResetBank(w_.get(), 20);  // all banks
  EXPECT_FALSE(platform::fileExists("/opt/set/antenna_b3.txt"));
  EXPECT_FALSE(platform::fileExists("/opt/set/atu_ant1_b3.txt"));
  EXPECT_FALSE(platform::optSetWritable());
}

}  // namespace
