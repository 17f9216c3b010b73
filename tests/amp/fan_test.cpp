#include "amp/fan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "amp_test_support.h"
#include "state/works.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TEST(FanTableParse, RowsCommentsAndDamagedLines) {
  auto rows = ParseVentolaText(
      "; temp speed\r\n"
      "30 20\r\n"
      "\n"          // blank: skipped
      "40\t50.9\n"  // speed truncated
      "junk\n"      // no numbers: skipped
      "45\n"        // no speed: skipped
      "50 250\n"    // limited to 100
      "60 -5\n"     // limited to 0
      "0x50 10\n"   // "0" then no speed: skipped
      "70 100");    // last line without a line feed
  ASSERT_EQ(rows.size(), 5u);
  const int percents[] = {20, 50, 100, 0, 100};
  const float temps[] = {30, 40, 50, 60, 70};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_FLOAT_EQ(rows[i].temperature, temps[i]);
    EXPECT_EQ(rows[i].percent, percents[i]);
  }
}

TEST(FanTableParse, LookupBelowBetweenAndAboveTheRows) {
  std::vector<FanRow> rows = {{30, 20}, {40, 50}, {50, 100}};
  struct Case {
    float t;
    int percent;
  } cases[] = {{-10, 20}, {29.9f, 20}, {30, 20}, {39.99f, 20}, {40, 50}, {49.9f, 50}, {50, 100}, {120, 100}};
  for (const Case& c : cases) EXPECT_EQ(FanPercentFor(rows, c.t), c.percent) << c.t;
  EXPECT_EQ(FanPercentFor({}, 50), -1);
  EXPECT_EQ(FanPercentFor({{30, 40}}, 10), 40);
  EXPECT_EQ(FanPercentFor({{30, 40}}, 35), 40);
}

class FanTest : public AmpTest {
 protected:
  void loadTable(const std::string& text) {
    writeHost("/opt/set/ventola.txt", text);
    ReadVentolaFile(w_.get());
  }
  void heat(float t1, float t2 = 0) {
    w_->paTemp1 = t1;
    w_->paTemp2 = t2;
    searchPercentVentola(w_.get());
  }
};

TEST_F(FanTest, ReadingLogsRows) {
  LogCapture log;
  loadTable("; fan\n30 20\n40 50\n");
  EXPECT_EQ(w_->ventolaRows, 2);
  EXPECT_TRUE(log.has("2: N row Ventola File 2 "));
  EXPECT_TRUE(log.has("2: ->t:40.00: 50\n"));
}

TEST_F(FanTest, MissingTableIsLoggedAndTheFanLeftAlone) {
  LogCapture log;
  ReadVentolaFile(w_.get());
  EXPECT_EQ(w_->ventolaRows, 0);
  EXPECT_TRUE(log.has("2: Ventola File not FOUND!!"));
  EXPECT_TRUE(log.has("E: can't open /opt/set/ventola.txt"));
  heat(70, 70);
  EXPECT_THAT(drainCommands(), IsEmpty());
  EXPECT_EQ(w_->fanPercentSent, -1);
  EXPECT_EQ(SearchTemperatureFromVentola(w_.get(), 50), 0);
}

TEST_F(FanTest, StepsUpAtOnceAndDownAfterTheHysteresis) {
  loadTable("30 20\n40 50\n50 100\n");
  w_->Isteresi2 = 2;
  LogCapture log;
  heat(25);  // first reply: the table's first speed is sent
  EXPECT_THAT(drainCommands(), ElementsAre(23));
  EXPECT_EQ(w_->fanPercentSent, 20);
  heat(20, 41);  // the hotter sensor drives
  EXPECT_THAT(drainCommands(), ElementsAre(23));
  EXPECT_EQ(w_->fanPercentSent, 50);
  EXPECT_TRUE(log.has("2: --->1 VENTOLA: 50 (41.00°C)\n"));
  heat(39);
  EXPECT_THAT(drainCommands(), IsEmpty());
  EXPECT_EQ(w_->fanPercentSent, 50);
  EXPECT_EQ(w_->fanPercent, 20);
  heat(38);  // not below 40 - 2 yet
  EXPECT_THAT(drainCommands(), IsEmpty());
  heat(37.9f);
  EXPECT_THAT(drainCommands(), ElementsAre(23));
  EXPECT_EQ(w_->fanPercentSent, 20);
  heat(37.9f);  // same speed: nothing more
  EXPECT_THAT(drainCommands(), IsEmpty());
}

}  // namespace
