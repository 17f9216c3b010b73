// The amplifier command outbox: merging, lanes, batches and the records of
// wanted and acknowledged settings.
#include "state/amp_cmd_path.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using Lane = AmpCmdPath::Lane;
using Codes = std::vector<int>;

// Keys as the amplifier layer gives them: codes 14 and 16 share one setting.
constexpr int kAt = 41, kMp = 42;

TEST(AmpCmdPath, RepeatedRequestsOfOneSettingGoOutOnceWithTheLatestCode) {
  AmpCmdPath p;
  for (int i = 0; i < 1000; ++i) {
    p.request(9, 9, Lane::Normal, p.newBatch());     // frequency
    p.request(28, 28, Lane::Normal, p.newBatch());   // filter
    p.request(i % 2 ? 16 : 14, kAt, Lane::Normal, p.newBatch());
  }
  EXPECT_EQ(p.codes(), (Codes{9, 28, 16}));  // the last request was code 16
  EXPECT_LE(p.highWater(), 3);
}

TEST(AmpCmdPath, ABatchKeepsEveryStepInItsOrder) {
  AmpCmdPath p;
  const uint64_t b = p.newBatch();
  for (auto [code, key] : {std::pair{18, kMp}, {15, kAt}, {22, 22}, {13, 13}, {17, kMp}}) p.request(code, key, Lane::Normal, b);
  EXPECT_EQ(p.codes(), (Codes{18, 15, 22, 13, 17}));
  // A later request merges into the batch's last entry of the setting only.
  p.request(18, kMp, Lane::Normal, p.newBatch());
  EXPECT_EQ(p.codes(), (Codes{18, 15, 22, 13, 18}));
}

TEST(AmpCmdPath, UrgentRequestsGoFirstAndDropTheOrdinaryOnesTheyWouldBeUndoneBy) {
  AmpCmdPath p;
  p.request(9, 9, Lane::Normal, p.newBatch());
  p.request(14, kAt, Lane::Normal, p.newBatch());
  p.request(7, 7, Lane::Normal, p.newBatch());
  const uint64_t alarm = p.newBatch();
  p.request(18, kMp, Lane::Urgent, alarm);
  p.request(16, kAt, Lane::Urgent, alarm);
  EXPECT_EQ(p.codes(), (Codes{18, 16, 9, 7}));
  EXPECT_TRUE(p.urgentPending());
  EXPECT_EQ(p.takeUrgent()->code, 18);
  EXPECT_EQ(p.take()->code, 16);
  EXPECT_FALSE(p.takeUrgent());
  EXPECT_EQ(p.take()->code, 9);
}

TEST(AmpCmdPath, AFailedCommandGoesBackFirstUnlessANewerOneIsPending) {
  AmpCmdPath p;
  p.request(28, 28, Lane::Normal, p.newBatch());
  p.request(22, 22, Lane::Normal, p.newBatch());
  auto sent = p.take();
  ASSERT_EQ(sent->code, 28);
  EXPECT_TRUE(p.requeueFailed(*sent));
  EXPECT_EQ(p.codes(), (Codes{28, 22}));
  sent = p.take();
  p.request(28, 28, Lane::Normal, p.newBatch());  // asked again meanwhile: that one carries the latest value
  EXPECT_FALSE(p.requeueFailed(*sent));
  EXPECT_EQ(p.codes(), (Codes{22, 28}));
}

TEST(AmpCmdPath, OnlyTheReplyOfTheCommandInFlightConfirmsIt) {
  AmpCmdPath p;
  p.markSent(28, "SF3000004;");
  EXPECT_EQ(p.confirmed(28), "");
  p.confirmInFlight();
  EXPECT_EQ(p.confirmed(28), "SF3000004;");
  p.markSent(28, "SF3000008;");
  p.dropInFlight();
  p.confirmInFlight();  // nothing in flight any more
  EXPECT_EQ(p.confirmed(28), "SF3000004;");
  p.forgetConfirmed();
  EXPECT_EQ(p.confirmed(28), "");
  EXPECT_EQ(p.wanted(28), -1);
  p.noteWanted(28, 28);
  EXPECT_EQ(p.wanted(28), 28);
}

// Producers on several threads against one consumer: nothing is refused, and
// every setting's last request is the last one taken.
TEST(AmpCmdPath, ProducersOnManyThreadsNeverLoseTheLastRequest) {
  AmpCmdPath p;
  std::vector<std::thread> producers;
  for (int t = 0; t < 4; ++t)
    producers.emplace_back([&p, t] {
      for (int i = 0; i < 5000; ++i) p.request(100 + t, t, Lane::Normal, p.newBatch());
    });
  int taken = 0;
  while (taken < 100) {
    if (p.take()) ++taken;
    if (producers.size() && taken % 10 == 0) std::this_thread::yield();
    if (p.empty() && taken > 0) break;
  }
  for (auto& th : producers) th.join();
  while (p.take()) {
  }
  EXPECT_TRUE(p.empty());
  EXPECT_LE(p.highWater(), 4);
}

}  // namespace
