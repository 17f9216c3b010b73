// The setup list's rows and the value text each row shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "menu_test_support.h"
#include "ui/lumomenu.h"

namespace {

TEST(MenuRows, RowsAreNumberedInOrderAndOnlyTheAddressesHaveACursor) {
  for (int r = 0; r < kMenuRowCount; ++r) {
    if (r > 0) {
      EXPECT_GT(menuPar[r].id, menuPar[r - 1].id) << r;
    }
    EXPECT_GT(std::strlen(menuPar[r].title), 0u) << r;
    EXPECT_GT(std::strlen(menuPar[r].items[0].label), 0u) << r;  // a blank label is one space
    EXPECT_EQ(menuPar[r].count, 1) << r;
    EXPECT_EQ(menuPar[r].items[0].direct, 0) << r;
    EXPECT_EQ(MenuRowHasCursor(r), r >= kRowIp && r <= kRowDns) << r;
  }
  EXPECT_STREQ(menuPar[kRowSaverTimeout].title, "SCREEN SAVER TIMEOUT");  // fills the title field
  EXPECT_FALSE(MenuRowHasCursor(-1));
  EXPECT_FALSE(MenuRowHasCursor(kMenuRowCount));
}

class MenuRowsTest : public MenuTest {};

TEST_F(MenuRowsTest, ValueTextsFollowTheSettings) {
  EXPECT_EQ(w_->menuRows, kMenuRowCount);
  w_->FreqSensIn = 1;
  w_->AttenuatorTune = 2;
  w_->SWRescAutoTune = 1.5f;
  w_->AutoTuneMaxCicli = 4;
  w_->TUNEenabled = 0x80;
  w_->OffsetPlot = -2.5;
  w_->MaxTemperature = 59.1f;
  w_->TempMode = 1;
  w_->PowerUnits = 1;
  w_->SaveScreenIdx = 2;
  TIME_LONG_PRESS = 0.3;
  TimerPeakSec = 2990;
  const struct {
    int row;
    const char* text;
  } cases[] = {
      {kRowMaxBank, "20"},           {kRowFreqSens, "FQ2"},
      {kRowFreqPeriod, "10"},        {kRowAutoTune, "Off"},
      {kRowForceAttenuator, "3dB"},  {kRowTargetSwr, "1.50"},
      {kRowTuneTimeout, "5sec"},     {kRowAtuInstalled, "No"},
      {kRowUseMode, "Local"},        {kRowRefLevel, "-110"},
      {kRowPointDiv, "10"},          {kRowOffset, "-2.50"},
      {kRowFilterView, "OFF"},       {kRowDateTime, "OFF"},
      {kRowTempUnits, "Fahrenheit"}, {kRowPeakTime, "2990"},
      {kRowTempAlarm1, "138.38"},    {kRowTempAlarm2, "176.00"},  // in F
      {kRowTuneSearch, "Full"},      {kRowPowerUnits, "dBm"},
      {kRowSaverTimeout, "20min"},   {kRowFactoryDefault, "No Default"},
      {kRowLongPress, "0.3 sec"},    {kRowOffHw, "OFF"},
      {kRowRemoteService, "OFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(shown(c.row), c.text) << c.row;
  // Codes outside their tables show "?" instead of reading past them.
  w_->AttenuatorTune = 7;
  w_->AutoTuneMaxCicli = -1;
  EXPECT_EQ(shown(kRowForceAttenuator), "?dB");
  EXPECT_EQ(shown(kRowTuneTimeout), "?");
  EXPECT_EQ(shown(-1), "");
  EXPECT_EQ(shown(kMenuRowCount), "");
}

TEST_F(MenuRowsTest, WithTheFlagSetOnlyTheSkipRowsAreLeftEmpty) {
  const std::vector<int> skip = {kRowUseMode,        kRowTempUnits, kRowPeakMeter, kRowPowerUnits, kRowSaverTimeout,
                                 kRowFactoryDefault, kRowOffHw,     kRowFwUpdate,  kRowUiUpdate,   kRowRemoteService};
  for (int r = 0; r < kMenuRowCount; ++r) {
    const bool isSkip = std::find(skip.begin(), skip.end(), r) != skip.end();
    EXPECT_FALSE(shown(r, 0).empty()) << r;
    EXPECT_EQ(shown(r, 1).empty(), isSkip) << r;
  }
}

TEST_F(MenuRowsTest, AddressRowsShowTheirBytesAndOnlyTheSelectedOneGetsTheCursor) {
  const uint8_t ip[4] = {192, 168, 1, 20};
  std::memcpy(IP_v, ip, 4);
  std::strcpy(IP, "stale text");
  CntIP = 1;
  w_->menuRow = kRowIp;
  // The list asks for the previous, the selected and the next row, in order.
  for (int r : {kRowUseMode, kRowIp, kRowSubnet}) shown(r);
  EXPECT_STREQ(IP, "192.168.1.20");
  EXPECT_EQ(shown(kRowSubnet), "0.0.0.0");
  EXPECT_EQ(LAN_vect.load(), IP_v);
  EXPECT_EQ(LAN_idx, 1);
}

TEST_F(MenuRowsTest, CaptionHelpersAgreeWithTheButtonBar) {
  char label[8];
  const char* labels[] = {"Generic", "KTXVYR", " FT-817", " ", " "};
  const int types[] = {0, 1, 2, 3, -1};
  for (int i = 0; i < 5; ++i) {
    GetLblInterface(types[i], label);
    EXPECT_STREQ(label, labels[i]) << types[i];
  }
  w_->copyFrom = 3;
  w_->copyTo = 12;
  LblCOPY(w_.get());
  EXPECT_STREQ(GetLumoPage(kLumoBankCopy).caption[3], "    3");
  EXPECT_STREQ(GetLumoPage(kLumoBankCopy).caption[5], "    12");
  w_->resetBank = w_->MAXbank.load();
  LblRESET(w_.get());
  EXPECT_STREQ(GetLumoPage(kLumoBankReset).caption[3], "  ALL");
  w_->ModeWorkIdx = 2;
  LblMenuAntenna(w_.get());
  EXPECT_STREQ(GetLumoPage(kLumoUtilities).caption[3], " FT-817");
}

}  // namespace
