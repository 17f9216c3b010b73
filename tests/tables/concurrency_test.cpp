// The timer thread re-selects filter, band row and stored tune while the key
// thread edits the tables and the link thread loads tunes: run them together
// (ThreadSanitizer checks the locking) and check the tables stay consistent.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "table_test_util.h"
#include "tables/antenna_tables.h"
#include "tables/filter_table.h"
#include "tables/tuner_memory.h"
#include "tune/tune_word.h"

namespace {

class TablesConcurrencyTest : public TablesTest {};

TEST_F(TablesConcurrencyTest, SelectionWhileEditing) {
  writeHost("/opt/set/filter.txt", "0 54000000 1\n0 54000000 1\n");
  LoadTabFiltri(w_.get());
  InitTabAntenna(w_.get(), 0);
  std::atomic<bool> stop{false};

  std::thread timer([&] {
    uint32_t f = 1800000;
    while (!stop) {
      w_->freq = f;
      f = f > 54000000 ? 1800000 : f + 777777;
      SetFilterFromfreq(w_.get());
      GestioneAntennaAutomatica(w_.get());
      while (TakeCMDLinear(w_.get()) != -1) {
      }
    }
  });
  std::thread link([&] {
    while (!stop) {
      WaitSemaforoTuneval(w_.get());
      LoadTuneFromMEM(w_.get(), w_->antennaIndex);
      StopSemaforoTuneval(w_.get());
    }
  });
  for (int n = 0; n < 300; ++n) {
    w_->bandSelRow = n % 11;
    w_->bandSelCol = n % 5;
    ModifytabAntenna(w_.get(), n & 1);
    TuneMemEntry e{1, static_cast<uint8_t>(1 + n % 3), static_cast<uint16_t>(n), static_cast<uint16_t>(n)};
    SaveTuneValsuTabRam(&e, (n * 97) % 4649, n % 3, w_.get());
    if (n % 50 == 0) {
      w_->filterSel = (n / 50) % 2;
      EnDisFilter(w_.get(), (n / 50) % 2);
    }
  }
  stop = true;
  timer.join();
  link.join();

  int rows = w_->bandRows;
  EXPECT_EQ(rows, 11);
  std::lock_guard lock(w_->bandMutex);
  for (int i = 0; i < rows; ++i) {
    EXPECT_LE(w_->bandTab[i].att, 3);
    EXPECT_GE(w_->bandTab[i].ant, 1);
    EXPECT_LE(w_->bandTab[i].ant, 3);
  }
}

}  // namespace
