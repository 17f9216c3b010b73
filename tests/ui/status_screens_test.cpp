// The layouts drawn above the button bar: the setup list, the bank and filter
// tables, the firmware banner, the main screen's boxes and hints, the
// information screen and the TX lamp; each text checked where it belongs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "amp/errors.h"
#include "display/memory_framebuffer.h"
#include "screen_probe.h"
#include "state/globals.h"
#include "state/works.h"
#include "ui/draw_parameters.h"
#include "ui/menu_rows.h"
#include "ui/network_settings.h"
#include "ui/status_info.h"
#include "works_fixture.h"

namespace {

#define EXPECT_IN_PLACE(check) EXPECT_EQ(check, "")

class StatusScreens : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    loadProgramFonts();
    w_->fb = fb_.get();
    w_->ampVariant = '1';
    w_->setup->enaser = '1';
    for (char* t : {IP, NetMask, Gateway, DNS}) std::memset(t, 0, kLanTextSize);
  }
  void TearDown() override {
    std::memset(IP_v, 0, 4);
    LAN_vect = nullptr;
    WorksTest::TearDown();
  }
  void draw() {
    probe_.clear();
    DrawParameters(w_.get());
    ViewStatusInfo(w_.get());
    ViewStatusTX(w_.get());
  }
  void addBand(int i, const char* name, int32_t start, int32_t stop) {
    BandRow& r = w_->bandTab[i];
    std::snprintf(r.name, sizeof r.name, "%s", name);
    r.start = start;
    r.stop = stop;
    w_->bandRows = std::max(w_->bandRows.load(), i + 1);
  }

  MemoryFrameBuffer fb_{800, 480};
  ScreenProbe probe_{fb_.get()};
};

TEST_F(StatusScreens, SetupListShowsThePreviousCurrentAndNextRow) {
  w_->menuPage = kLumoSetupList;
  w_->menuRow = kRowAutoTune;
  w_->FreqPeriodTime = 120;
  w_->AutoTuneMode = 1;
  draw();
  // The band: dark grey, the current entry lighter, nothing around it.
  EXPECT_EQ(probe_.at(5, 284), (Pixel{0, 0, 0}));
  EXPECT_EQ(probe_.at(5, 285), (Pixel{40, 40, 40}));
  EXPECT_EQ(probe_.at(5, 311), (Pixel{80, 80, 80}));
  EXPECT_EQ(probe_.at(5, 339), (Pixel{80, 80, 80}));
  EXPECT_EQ(probe_.at(5, 364), (Pixel{40, 40, 40}));
  EXPECT_EQ(probe_.at(5, 365), (Pixel{0, 0, 0}));
  // Previous row (id 3), small orange; its value in bold at the right edge.
  EXPECT_IN_PLACE(probe_.textAt(1, 20, 305, "3 -", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(1, 70, 305, "FREQ", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(1, 350, 305, "Period (ms)", kInkOrange));
  EXPECT_IN_PLACE(probe_.textEndingAt(11, 790, 305, "120", kInkOrange));
  // Current row in white, value in font 0 on the list page.
  EXPECT_IN_PLACE(probe_.textAt(7, 20, 335, "4 -", kInkWhite));
  EXPECT_IN_PLACE(probe_.textAt(7, 70, 335, "AUTO TUNE", kInkWhite));
  EXPECT_IN_PLACE(probe_.textAt(7, 350, 335, "Enable VYR Tune", kInkWhite));
  EXPECT_IN_PLACE(probe_.textEndingAt(0, 790, 335, "On", kInkWhite));
  // Next row.
  EXPECT_IN_PLACE(probe_.textAt(1, 20, 360, "5 -", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(1, 350, 360, "Force Attenuator", kInkOrange));
  EXPECT_IN_PLACE(probe_.textEndingAt(11, 790, 360, "0dB", kInkOrange));
  // No main-screen boxes under the list.
  EXPECT_EQ(probe_.inkIn(1, 278, 799, 278, {200, 200, 200}), 0);
}

TEST_F(StatusScreens, SetupListWrapsAtBothEndsAndHidesSkippedNeighbours) {
  w_->menuPage = kLumoSetupList;
  w_->menuRow = 0;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(1, 20, 305, "99 -", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(1, 70, 305, "REMOTE SERVICE", kInkOrange));
  // An action row shows its value only when it is the current row.
  EXPECT_EQ(probe_.inkIn(600, 285, 799, 310, kInkOrange), 0);
  w_->menuRow = kMenuRowCount - 1;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(1, 20, 360, "1 -", kInkOrange));
  EXPECT_IN_PLACE(probe_.textEndingAt(0, 790, 335, "OFF", kInkWhite));
}

TEST_F(StatusScreens, EditedValueIsBrightAndAnAddressShowsItsCursorByte) {
  w_->menuPage = kLumoValueEdit;
  w_->menuRow = kRowPeakTime;
  TimerPeakSec = 700;
  draw();
  EXPECT_IN_PLACE(probe_.textEndingAt(7, 790, 335, "700", kInkBright));

  const uint8_t address[4] = {192, 168, 1, 20};
  std::memcpy(IP_v, address, 4);
  CntIP = 2;
  w_->menuRow = kRowIp;
  draw();
  const char* groups[4] = {"192.", "168.", "1.", "20"};
  int width = 0;
  for (const char* g : groups) width += getStringSpace(7, g);
  int x = 790 - width;
  for (int i = 0; i < 4; ++i) {
    EXPECT_IN_PLACE(probe_.textAt(7, x, 335, groups[i], i == 2 ? kInkBright : kInkOrange)) << i;
    x += getStringSpace(7, groups[i]);
  }
  CntIP = 3;
}

TEST_F(StatusScreens, SetupListMovesBelowTheInformationScreenAndShowsTheUpdateHint) {
  w_->menuPage = kLumoSetupList;
  w_->menuRow = kRowAutoTune;
  w_->statusView = 1;
  w_->hintFlags = 8;
  draw();
  EXPECT_EQ(probe_.at(5, 334), (Pixel{0, 0, 0}));
  EXPECT_EQ(probe_.at(5, 335), (Pixel{40, 40, 40}));
  EXPECT_EQ(probe_.at(5, 361), (Pixel{80, 80, 80}));
  EXPECT_EQ(probe_.at(5, 414), (Pixel{40, 40, 40}));
  EXPECT_IN_PLACE(probe_.textAt(7, 70, 385, "AUTO TUNE", kInkWhite));
  EXPECT_IN_PLACE(probe_.textAt(8, 5, 400, "Update UI in progress: Wait for reset (max 2min)", kInkBright));
}

TEST_F(StatusScreens, BankTableMarksTheSelectedRowAndItsCursorCell) {
  w_->statusView = 2;
  w_->NumBanco = 3;
  w_->ModeWorkIdx = 2;
  addBand(0, "160m", 1800000, 2000000);
  addBand(1, "80m", 3500000, 3800000);
  BandRow& r = w_->bandTab[1];
  r.pwr = 1.5f;
  r.att = 3;
  r.ampEnable = 1;
  r.ant = 2;
  r.atuOff = 1;
  w_->bandSelRow = 1;
  w_->bandSelCol = 1;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(0, 100, 50, " Memory Table Bank 3 - Interface:  FT-817", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 50, 100, "N     Band     Pwr    Att(dB)  AmpEnable    Ant       Atu", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 50, 130, "1", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 90, 130, "160m", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 350, 130, "Off", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 540, 130, "On", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 50, 152, "2", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 90, 152, "80m", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 170, 152, "1.5", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(7, 250, 152, "5", kInkRed));  // the cursor cell
  EXPECT_IN_PLACE(probe_.textAt(8, 350, 152, "On", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 470, 152, "2", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 540, 152, "Off", kInkOrange));
  EXPECT_EQ(probe_.inkIn(0, 160, 799, 200, kInkBright), 0);  // two rows only
}

TEST_F(StatusScreens, FilterTableShowsEightEntries) {
  w_->statusView = 4;
  w_->filterTab[0] = {1800000, 2000000, 1};
  w_->filterTab[7] = {28000000, 29700000, 0x100};  // only the low byte enables
  w_->filterSel = 7;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(0, 250, 50, "FILTER SETTINGS", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 90, 130, "1800000", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 290, 130, "2000000", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 490, 130, "On", kInkBright));
  EXPECT_IN_PLACE(probe_.textAt(8, 50, 284, "8", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 90, 284, "28000000", kInkOrange));
  EXPECT_IN_PLACE(probe_.textAt(8, 490, 284, "Off", kInkOrange));
}

TEST_F(StatusScreens, FirmwareBannerReplacesTheMainScreenAndAFailedLinkShowsNothing) {
  w_->fwUpdateMode = 4;
  draw();
  EXPECT_IN_PLACE(
      probe_.textAt(8, 100, 400, "FW UPDATE: please update fw with FlashMagic and then Reset HW", kInkBright));
  EXPECT_EQ(probe_.inkIn(1, 278, 799, 278, {200, 200, 200}), 0);
  w_->fwUpdateMode = 0;
  w_->linkFault = 1;
  draw();
  EXPECT_EQ(probe_.inkIn(0, 0, 799, 479, kInkCyan), 0);
}

TEST_F(StatusScreens, MainScreenBoxesAndReadings) {
  w_->ModeWorkIdx = 1;
  w_->freq = 14100000;
  addBand(0, "20m", 14000000, 14350000);
  addBand(1, "20mX", 14000000, 14350000);  // the later row names the band here
  w_->Attenuator = 2;
  w_->antennaIndex = 2;
  w_->atuBypass = 1;
  w_->remoteStarted = 1;
  w_->remoteActive = 1;
  w_->paTemp1 = 30;
  w_->paTemp2 = 40;
  draw();
  EXPECT_EQ(probe_.at(1, 290), (Pixel{200, 200, 200}));
  EXPECT_EQ(probe_.at(715, 290), (Pixel{200, 200, 200}));
  EXPECT_IN_PLACE(probe_.textAt(8, 10, 298, "KTXVYR", kInkCyan));
  EXPECT_IN_PLACE(probe_.textAt(8, 125, 298, "  Coax:RTX", kInkCyan));
  EXPECT_IN_PLACE(probe_.textAt(8, 275, 298, "Band:20mX", kInkCyan));
  EXPECT_IN_PLACE(probe_.textAt(8, 415, 298, "Att 3dB", kInkCyan));
  EXPECT_IN_PLACE(probe_.textAt(8, 535, 298, "Ant 3", kInkCyan));
  EXPECT_IN_PLACE(probe_.textAt(8, 615, 298, "Atu: Bpy", kInkCyan));
  EXPECT_IN_PLACE(probe_.textAt(8, 725, 298, "Remote", {250, 0, 0}));
  EXPECT_EQ(probe_.at(1, 320), (Pixel{100, 100, 100}));
  EXPECT_IN_PLACE(probe_.textAt(8, 10, 327, "PA Temp1: 30.0°C      Temp2: 40.0°C", kInkGreen));
  w_->TempMode = 1;
  w_->freq = 27000000;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(8, 10, 327, "PA Temp1: 86.0°F      Temp2: 104.0°F", kInkGreen));
  EXPECT_IN_PLACE(probe_.textAt(8, 275, 298, "NOPA", kInkCyan));
}

TEST_F(StatusScreens, SixtyWattSupplyAboveTwentyVoltsIsHidden) {
  w_->ampVariant = '0';
  w_->tinyReply3 = 255;
  w_->ampCurrentRaw = 2048;
  char s[96];
  FormatSupplyBox(w_.get(), s, sizeof s);
  EXPECT_STREQ(s, "PA Voltage: -----       Current: 07.0A");
  draw();
  EXPECT_IN_PLACE(probe_.textAt(8, 415, 327, s, kInkGreen));
}

TEST_F(StatusScreens, MessageLineShowsTheFirstHintOrTheDebugReadings) {
  w_->hintFlags = 6;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(8, 5, 350, "ATU ByPass not saved!", kInkBright));
  w_->hintFlags = 4;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(8, 5, 350, "Set to Local Mode: Remote not started. Verify connections", kInkBright));
  w_->hintFlags = 1;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(8, 5, 350, "Entering second function...", kInkBright));
  w_->EnableDebug = 1;
  w_->rawPwrIn = 12;
  w_->rawFwd = 345;
  w_->rawRefl = 6;
  w_->swrValue = 1.5f;
  w_->tinyReply3 = 0xAB;
  draw();
  EXPECT_IN_PLACE(probe_.textAt(8, 5, 350, "PW 0012 FWD 0345 REFL 0006 SWR 1.50 (AB)", kInkYellow));
  EXPECT_EQ(probe_.inkIn(500, 330, 799, 355, kInkYellow) > 0, true);
}

TEST_F(StatusScreens, InformationScreenLines) {
  w_->statusView = 1;
  std::snprintf(w_->version, sizeof w_->version, "2.1");
  std::snprintf(w_->ampVersion, sizeof w_->ampVersion, "F7");
  std::memset(w_->eeBlock0, 'S', sizeof w_->eeBlock0);  // a block with no terminator
  w_->ampType = '1';
  w_->ampVariant = '0';
  w_->freq = 7100000;
  w_->ampFreq = 7000000;
  w_->MaxTemperature = 55;
  w_->ampStatus[0] = 0x1;
  w_->ampStatus[1] = 0x2;
  w_->retryTotal = 4;
  w_->retryStops = 1;
  std::snprintf(IP, sizeof IP, "10.0.0.5");
  AddErrore(w_.get(), kErrExtIo);
  auto lines = StatusInfoLines(w_.get(), 7123456);
  ASSERT_EQ(lines.size(), 14u);  // the clock line too, on page 0
  EXPECT_EQ(lines[0].value, "Passphrase: shared default");  // no TLS identity loaded here
  lines.erase(lines.begin());
  EXPECT_EQ(lines[0].value, "SW ver. 2.1, FW ver. F7");
  EXPECT_EQ(lines[1].value, std::string(32, 'S') + " (), TYPE: USA, MAXPOWER: 60W");
  EXPECT_EQ(lines[3].value, "7100000Hz(7123456)");
  EXPECT_EQ(lines[6].value, "Set Point Alarm 55.00°C");
  EXPECT_EQ(lines[7].value, "IP:10.0.0.5, NetMask: ");
  EXPECT_EQ(lines[9].value, "State 0x01 0x02,ES:4,ER:1");
  EXPECT_EQ(lines[10].value, "No EXT IO data");
  EXPECT_EQ(lines[12].y, 400);
  EXPECT_EQ(lines[12].valueX, 300);
  w_->setup->enaser = '0';
  w_->TempMode = 1;
  w_->menuPage = 1;
  auto f = StatusInfoLines(w_.get(), 0);
  f.erase(f.begin());  // the remote line
  ASSERT_EQ(f.size(), 12u);
  EXPECT_EQ(f[3].value, "7000000Hz(0)");  // the amplifier's counter while the link is off
  EXPECT_EQ(f[6].value, "Set Point Alarm 131.0°F");
  EXPECT_NE(f[4].value.find("°F, Thsk:"), std::string::npos);
  std::memset(IP, 0, sizeof IP);

  w_->menuPage = 0;
  w_->setup->enaser = '1';
  draw();
  EXPECT_IN_PLACE(probe_.textAt(8, 5, 110, "VERSION", kInkWhite));
  EXPECT_IN_PLACE(probe_.textAt(8, 180, 110, "SW ver. 2.1, FW ver. F7", kInkWhite));
  EXPECT_IN_PLACE(probe_.textAt(8, 5, 352, "AMPL", kInkWhite));
  // Nothing of the main screen under it, and no TX lamp even while transmitting.
  w_->ampStatus[1] = 1;
  draw();
  for (int x : {110, 115, 260, 265}) EXPECT_EQ(probe_.inkIn(x, 279, x, 302, {200, 200, 200}), 0) << "box edge at " << x;
  EXPECT_EQ(probe_.inkIn(375, 175, 429, 209, {250, 0, 0}), 0);
}

TEST_F(StatusScreens, SerialLineShowsOnlyTheTextOfTheIdentityBlocks) {
  w_->statusView = 1;
  w_->ampType = '0';
  w_->ampVariant = '1';
  // Text, a byte that is no character, then erased memory: the text stops there.
  const uint8_t block0[] = {'H', 'F', '-', 0x86, '7', 0x04, 0xFF, 'x', 'y'};
  std::memcpy(w_->eeBlock0, block0, sizeof block0);
  std::memset(w_->eeBlock1, 0, sizeof w_->eeBlock1);  // never read: empty
  EXPECT_EQ(StatusInfoLines(w_.get(), 0)[2].value, "HF-?7? (), TYPE: EU, MAXPOWER: 120W");
  // What the amplifier's pattern of raw bytes used to show as missing-glyph boxes.
  for (int i = 0; i < 32; ++i) w_->eeBlock1[i] = static_cast<uint8_t>(0x40 + i * 7);
  const std::string sn = StatusInfoLines(w_.get(), 0)[2].value;
  EXPECT_EQ(sn.substr(0, 13), "HF-?7? (@GNU\\");
  EXPECT_TRUE(std::all_of(sn.begin(), sn.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) << sn;
}

TEST_F(StatusScreens, InformationLinesTakeTheIdentityFromOneUpdate) {
  std::atomic<bool> stop{false};
  std::memset(w_->eeBlock0, 'A', sizeof w_->eeBlock0);
  std::memset(w_->ampVersion, 'A', sizeof w_->ampVersion);
  // The amplifier link rewrites the blocks as it decodes replies, under its lock.
  std::thread link([&] {
    for (uint8_t fill = 'A'; !stop; fill = fill == 'A' ? 'B' : 'A') {
      std::lock_guard lock(w_->ampTextMutex);
      std::memset(w_->eeBlock0, fill, sizeof w_->eeBlock0);
      std::memset(w_->ampVersion, fill, sizeof w_->ampVersion);
    }
  });
  for (int i = 0; i < 300; ++i) {
    const auto lines = StatusInfoLines(w_.get(), 0);  // [0] is the remote line
    const std::string block = lines[2].value.substr(0, 32);
    EXPECT_TRUE(block == std::string(32, 'A') || block == std::string(32, 'B')) << block;
    const std::string version = lines[1].value.substr(lines[1].value.find("FW ver. ") + 8);
    EXPECT_TRUE(version == std::string(8, 'A') || version == std::string(8, 'B')) << version;
  }
  stop = true;
  link.join();
}

// Drawing never switches a link on: a link cancelled on the failed-link page
// stays off while the screen is open (the key that opens it starts the bank's
// link, see the key tests).
TEST_F(StatusScreens, InformationScreenLeavesTheLinksAsTheyAre) {
  for (int view : {1, 3}) {
    w_->statusView = view;
    w_->ModeWorkIdx = 1;
    w_->setup->enaser = '0';
    draw();
    EXPECT_EQ(w_->setup->enaser, '0') << view;
  }
}

TEST_F(StatusScreens, TxLampWhileTransmitting) {
  w_->ampStatus[1] = 1;
  draw();
  EXPECT_EQ(probe_.at(375, 175), (Pixel{250, 0, 0}));
  EXPECT_EQ(probe_.at(429, 209), (Pixel{250, 0, 0}));
  EXPECT_EQ(probe_.at(430, 209), (Pixel{0, 0, 0}));
  EXPECT_EQ(probe_.at(375, 210), (Pixel{0, 0, 0}));
  EXPECT_IN_PLACE(probe_.textAt(8, 390, 200, "TX", kInkWhite));
}

}  // namespace
