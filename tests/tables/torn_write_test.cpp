// A program killed at any moment while it saves a table must leave the old file
// or the new one, never a torn or empty one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <set>

#include "table_test_util.h"
#include "tables/antenna_tables.h"
#include "tables/filter_table.h"
#include "tables/tuner_memory.h"

namespace {

struct Table {
  const char* name;
  std::string path;
  // Fills the whole table from step number n, so its text depends on n alone.
  std::function<void(Works*, int)> set;
  std::function<void(Works*)> save;
  std::function<std::string(Works*)> text;
};

class TornWriteTest : public TablesTest, public ::testing::WithParamInterface<int> {
 protected:
  static Table table(int which) {
    switch (which) {
      case 0:
        return {"filter", "/opt/set/filter.txt",
                [](Works* w, int n) {
                  std::lock_guard lock(w->filterMutex);
                  for (int i = 0; i < 8; ++i) w->filterTab[i] = {n + i, n + 1000000 * i, (n + i) & 1};
                },
                [](Works* w) { SaveTabFiltri(w); }, [](Works* w) { return FormatTabFiltri(w); }};
      case 1:
        return {"band", "/opt/set/antenna_b5.txt",
                [](Works* w, int n) {
                  InitTabAntenna(w, 0);
                  std::lock_guard lock(w->bandMutex);
                  for (int i = 0; i < 11; ++i) w->bandTab[i].start = 1000 * n + i;
                },
                [](Works* w) { SaveTabConfig(w, 5); }, [](Works* w) { return FormatTabConfig(w, w->ModeWorkIdx); }};
      default:
        return {"tuner memory", "/opt/set/atu_ant2_b5.txt",
                [](Works* w, int n) {
                  std::lock_guard lock(w->tuneMemMutex);
                  for (int j = 0; j < kTuneMemSlots; ++j)
                    w->tuneMem[1][j] = {static_cast<uint8_t>(j % 5 == 0), 1, static_cast<uint16_t>((n + j) % 512), 7};
                },
                [](Works* w) { SaveTabAtu(w, 5, 1); }, [](Works* w) { return FormatTabAtu(w, 1); }};
    }
  }
};

TEST_P(TornWriteTest, KilledWriterLeavesAWholeFile) {
  const Table t = table(GetParam());
  constexpr int kSteps = 64;
  // Every text the writer can leave.
  std::set<std::string> whole;
  for (int n = 0; n < kSteps; ++n) {
    t.set(w_.get(), n);
    whole.insert(t.text(w_.get()));
  }
  ASSERT_EQ(whole.size(), static_cast<size_t>(kSteps));
  t.set(w_.get(), 0);
  t.save(w_.get());

  std::mt19937 rng(7);
  int kills = 0;
  constexpr int kRounds = 25;
  for (int round = 0; round < kRounds; ++round) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 2);
      ::dup2(null, 1);
      for (int n = 0;; n = (n + 1) % kSteps) {
        t.set(w_.get(), n);
        t.save(w_.get());
      }
    }
    ::usleep(1000 + rng() % 20000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    kills += WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    std::string text = readHost(t.path);
    ASSERT_EQ(whole.count(text), 1u) << t.name << " torn after round " << round << ":\n" << text.substr(0, 300);
  }
  EXPECT_EQ(kills, kRounds);
}

INSTANTIATE_TEST_SUITE_P(Tables, TornWriteTest, ::testing::Values(0, 1, 2));

}  // namespace
