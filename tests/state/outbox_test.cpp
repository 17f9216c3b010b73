// The file writer: what reaches the disk, in what order, and how often.
#include "state/outbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/board.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "sandbox_fixture.h"
#include "wait_until.h"

namespace {

using platform::BoardAction;

constexpr const char* kPaced = "/opt/set/paced.txt";

int countOf(const std::vector<std::string>& all, const std::string& text) {
  int n = 0;
  for (const auto& s : all) n += s == text;
  return n;
}

class OutboxTest : public SandboxTest {
 protected:
  void TearDown() override {
    stopWriter();
    out().setSpacingMs(kPaced, 0);
    platform::setSandboxAnswer(BoardAction::RemountSettingsWritable, {});
    SandboxTest::TearDown();
  }
  // The writer attached but not yet running: every request waits, as it does
  // while the card is busy with the batch before.
  void holdWriter() {
    out().setGatherMs(0);
    out().attach();
  }
  void runWriter() { writer_ = std::thread([] { FileOutbox().run(); }); }
  void stopWriter() {
    if (!writer_.joinable()) return;
    out().finish();
    writer_.join();
    out().setGatherMs(250);
  }
  static Outbox& out() { return FileOutbox(); }
  std::thread writer_;
};

TEST_F(OutboxTest, WithoutWriterThreadTheCallerWritesAtOnce) {
  out().replace("/opt/set/a.txt", "one\n");
  EXPECT_EQ(readHost("/opt/set/a.txt"), "one\n");
  // Read-only again, and the bracket is the system's own commands.
  EXPECT_FALSE(platform::optSetWritable());
  auto rec = platform::commandRecord();
  EXPECT_EQ(countOf(rec, "mount -o remount defaults,rw /opt/set"), 1);
  EXPECT_EQ(countOf(rec, "mount -v -n -o remount -r /opt/set"), 1);
}

TEST_F(OutboxTest, TwoPendingWritesOfOneFileBecomeOneWriteOfTheLatest) {
  holdWriter();
  const auto before = out().counts();
  out().replace("/opt/set/setup.txt", "first\n");
  out().replace("/opt/set/setup.txt", "second\n");
  out().replace("/opt/set/filter.txt", "filters\n");
  // Readers see the latest content before the card has it.
  EXPECT_EQ(out().read("/opt/set/setup.txt").bytes, "second\n");
  EXPECT_FALSE(platform::fileExists("/opt/set/setup.txt"));
  runWriter();
  out().flush();
  EXPECT_EQ(readHost("/opt/set/setup.txt"), "second\n");
  EXPECT_EQ(readHost("/opt/set/filter.txt"), "filters\n");
  const auto after = out().counts();
  EXPECT_EQ(after.requests - before.requests, 3u);
  EXPECT_EQ(after.writes - before.writes, 2u);   // two files, one write each
  EXPECT_EQ(after.batches - before.batches, 1u);  // in one remount bracket
  EXPECT_EQ(countOf(platform::commandRecord(), "mount -o remount defaults,rw /opt/set"), 1);
}

TEST_F(OutboxTest, AppendedLinesAreKeptInOrderAcrossRemovesAndBatches) {
  writeHost("/opt/set/log.txt", "old line");  // no line feed at its end
  holdWriter();
  out().append("/opt/set/log.txt", "a\n", "H\n");
  out().append("/opt/set/log.txt", "b\n", "H\n");
  runWriter();
  out().flush();
  EXPECT_EQ(readHost("/opt/set/log.txt"), "old line\na\nb\n");
  // A removal starts the file again with its header; lines after it follow.
  out().remove("/opt/set/log.txt", platform::RemoveMode::Plain);
  for (int i = 0; i < 50; ++i) out().append("/opt/set/log.txt", std::to_string(i) + "\n", "H\n");
  out().flush();
  std::string expected = "H\n";
  for (int i = 0; i < 50; ++i) expected += std::to_string(i) + "\n";
  EXPECT_EQ(readHost("/opt/set/log.txt"), expected);
  EXPECT_EQ(countOf(platform::commandRecord(), "rm /opt/set/log.txt"), 1);
}

TEST_F(OutboxTest, LinesAppendedWhileABatchIsOnTheCardAreWrittenOnceAfterIt) {
  // The remount is slow, as on a loaded card; lines keep arriving meanwhile.
  std::atomic<int> remounts{0};
  platform::setSandboxAnswer(BoardAction::RemountSettingsWritable, [&](const platform::BoardCall& call) {
    ++remounts;
    platform::sleepMs(100);
    return platform::sandboxEquivalent(call);
  });
  holdWriter();
  runWriter();
  std::string expected = "H\n";
  for (int i = 0; i < 40; ++i) {
    out().append("/opt/set/l.txt", std::to_string(i) + "\n", "H\n");
    expected += std::to_string(i) + "\n";
    platform::sleepMs(7);
  }
  out().flush();
  EXPECT_EQ(readHost("/opt/set/l.txt"), expected);
  EXPECT_LT(remounts.load(), 10);  // gathered into a few batches
}

TEST_F(OutboxTest, RemoveAfterAPendingSaveLeavesNoFile) {
  holdWriter();
  out().replace("/opt/set/antenna_b3.txt", "rows\n");
  out().remove("/opt/set/antenna_b3.txt", platform::RemoveMode::Force);
  EXPECT_EQ(out().read("/opt/set/antenna_b3.txt").status, platform::FileRead::Status::Missing);
  runWriter();
  out().flush();
  EXPECT_FALSE(platform::fileExists("/opt/set/antenna_b3.txt"));
}

TEST_F(OutboxTest, AnUnreadableTableIsNotOverwritten) {
  writeHost("/opt/set/atu_ant1.txt", "3117 14070000 1 2 120 45\n");
  out().refuseWrites("/opt/set/atu_ant1.txt");
  const auto before = out().counts();
  out().replace("/opt/set/atu_ant1.txt", "");
  EXPECT_EQ(readHost("/opt/set/atu_ant1.txt"), "3117 14070000 1 2 120 45\n");
  EXPECT_EQ(out().counts().refused - before.refused, 1u);
  // Once it reads again, saves go through.
  out().allowWrites("/opt/set/atu_ant1.txt");
  out().replace("/opt/set/atu_ant1.txt", "");
  EXPECT_EQ(readHost("/opt/set/atu_ant1.txt"), "");
}

TEST_F(OutboxTest, StaleTemporariesAreRemovedWhenTheWriterStarts) {
  writeHost("/opt/set/setup.txt.tmp", "half a file");
  writeHost("/opt/set/atu_ant2_b7.txt.tmp", "half");
  writeHost("/opt/set/setup.txt", "kept\n");
  holdWriter();
  runWriter();
  EXPECT_TRUE(waitUntil([] { return !platform::fileExists("/opt/set/setup.txt.tmp"); }, 3000));
  EXPECT_FALSE(platform::fileExists("/opt/set/atu_ant2_b7.txt.tmp"));
  EXPECT_EQ(readHost("/opt/set/setup.txt"), "kept\n");
}

TEST_F(OutboxTest, EachFileHasItsOwnTemporaryName) {
  EXPECT_NE(platform::temporaryPathFor("/opt/set/setup.txt"), platform::temporaryPathFor("/opt/set/filter.txt"));
  EXPECT_EQ(platform::temporaryPathFor("/opt/set/setup.txt"), "/opt/set/setup.txt.tmp");
}

TEST_F(OutboxTest, FinishWritesEverythingStillQueued) {
  holdWriter();
  out().setGatherMs(5000);  // would otherwise wait a long time
  runWriter();
  for (int i = 0; i < 300; ++i) out().replace("/opt/set/setup.txt", "NumBanco: " + std::to_string(i % 20) + "\n");
  out().append("/opt/set/LOGtemp.txt", "last\n", "H\n");
  const int64_t start = platform::monotonicMs();
  stopWriter();
  EXPECT_LT(platform::monotonicMs() - start, 2000);
  EXPECT_EQ(readHost("/opt/set/setup.txt"), "NumBanco: 19\n");
  EXPECT_EQ(readHost("/opt/set/LOGtemp.txt"), "H\nlast\n");
  // After the writer is gone the caller writes again.
  out().replace("/opt/set/setup.txt", "after\n");
  EXPECT_EQ(readHost("/opt/set/setup.txt"), "after\n");
}

TEST_F(OutboxTest, ASpacedFileIsWrittenAtMostOnceASecondAndEndsWithTheLatest) {
  holdWriter();
  out().setSpacingMs(kPaced, 1000);
  runWriter();
  const int64_t start = platform::monotonicMs();
  for (int i = 0; i < 60; ++i) {
    out().replace(kPaced, "v" + std::to_string(i) + "\n");
    EXPECT_EQ(out().read(kPaced).bytes, "v" + std::to_string(i) + "\n");  // readers never see an old one
    platform::sleepMs(25);
  }
  const int64_t burstMs = platform::monotonicMs() - start;
  EXPECT_TRUE(waitUntil([&] { return readHost(kPaced) == "v59\n"; }, 3000)) << readHost(kPaced);
  // Each write of the file is one remount bracket: nothing else is written.
  const int writes = countOf(platform::commandRecord(), "mount -o remount defaults,rw /opt/set");
  EXPECT_LE(writes, burstMs / 1000 + 2);
  EXPECT_GE(writes, 2);  // the first at once, the last after its spacing
}

TEST_F(OutboxTest, OtherFilesAreNotHeldBehindASpacedOne) {
  holdWriter();
  out().setSpacingMs(kPaced, 5000);
  runWriter();
  out().replace(kPaced, "a\n");
  ASSERT_TRUE(waitUntil([&] { return readHost(kPaced) == "a\n"; }, 2000));
  out().replace(kPaced, "b\n");  // waits out its spacing
  out().replace("/opt/set/filter.txt", "filters\n");
  EXPECT_TRUE(waitUntil([&] { return readHost("/opt/set/filter.txt") == "filters\n"; }, 2000));
  EXPECT_EQ(readHost(kPaced), "a\n");
  // A flush does not wait for the spacing.
  out().flush();
  EXPECT_EQ(readHost(kPaced), "b\n");
}

TEST_F(OutboxTest, FinishDoesNotWaitForASpacing) {
  holdWriter();
  out().setSpacingMs(kPaced, 60'000);
  runWriter();
  out().replace(kPaced, "a\n");
  ASSERT_TRUE(waitUntil([&] { return readHost(kPaced) == "a\n"; }, 2000));
  out().replace(kPaced, "last\n");
  const int64_t start = platform::monotonicMs();
  stopWriter();
  EXPECT_LT(platform::monotonicMs() - start, 2000);
  EXPECT_EQ(readHost(kPaced), "last\n");
}

}  // namespace
