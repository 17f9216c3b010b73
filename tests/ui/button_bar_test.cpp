// The button-bar pages: captions that follow live state, the caption store
// shared with the label functions, and the bar's pixels.
#include "ui/button_bar.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "amp/errors.h"
#include "display/memory_framebuffer.h"
#include "state/init_globals.h"
#include "ui/button_labels.h"
#include "ui/lumomenu.h"
#include "ui/menu.h"
#include "works_fixture.h"

namespace {

class ButtonBar : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());
    w_->fb = fb_.get();
    InitMenuLumo(w_.get());
  }
  std::string top(int page, int button) { return GetLumoPage(page).caption[2 * (button - 1)]; }
  std::string bottom(int page, int button) { return GetLumoPage(page).caption[2 * (button - 1) + 1]; }
  // Colour of a draw-buffer pixel as 0xRRGGBB.
  uint32_t pixel(int x, int y) {
    const uint8_t* p = fb_->drawMem + y * fb_->lineSize + x * 4;
    return (p[2] << 16) | (p[1] << 8) | p[0];
  }
  MemoryFrameBuffer fb_{800, 480};
};

TEST_F(ButtonBar, MainPageCaptionsFollowTheState) {
  w_->menuPage = kLumoMain;
  w_->NumBanco = 12;
  w_->ampBypass = 0;
  w_->Attenuator = 3;
  w_->antennaIndex = 2;
  w_->screenPage = 4;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(0, 1), "BANK12");
  EXPECT_EQ(bottom(0, 2), "  5dB");
  EXPECT_EQ(bottom(0, 3), "     3");
  EXPECT_EQ(bottom(0, 6), "    4");
  w_->ampBypass = 1;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(0, 2), "  StBy");
}

TEST_F(ButtonBar, OnlyTheShownPageIsRewritten) {
  w_->menuPage = kLumoMain;
  w_->TUNEenabled = 0x80;
  w_->resetBank = 20;  // MAXbank
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(3, 4), "   Off");  // written at start-up, not since
  w_->menuPage = kLumoTune;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(3, 4), "NotInst");
  w_->menuPage = kLumoBankReset;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(11, 2), "  ALL");
  w_->resetBank = 4;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(11, 2), "    4");
}

TEST_F(ButtonBar, TuneAndManualPages) {
  w_->menuPage = kLumoTune;
  w_->tunerRunning = 1;
  w_->atuBypass = 1;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(3, 4), "    On");
  EXPECT_EQ(bottom(3, 5), "   Bpy");
  w_->menuPage = kLumoManualTune;
  w_->tuneMode = 2;
  w_->tuneL = 17;
  w_->tuneC = 511;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(4, 1), "LC");
  EXPECT_EQ(bottom(4, 3), "     17");
  EXPECT_EQ(bottom(4, 5), "     511");
  w_->tuneMode = 3;
  LoadButtons(w_.get());
  EXPECT_EQ(bottom(4, 1), "ByP");
}

TEST_F(ButtonBar, LabelStoreIsTheBottomCaption) {
  SetLumoLabel(w_.get(), kLumoMain, 2, "Auto 2");
  EXPECT_EQ(bottom(0, 3), "Auto 2");
  EXPECT_EQ(GetLumoLabel(w_.get(), kLumoMain, 2), "Auto 2");
  SetLumoLabel(w_.get(), kLumoMain, 2, "a caption far too long");
  EXPECT_EQ(GetLumoLabel(w_.get(), kLumoMain, 2), "a caption f");  // 11 characters and the terminator
  SetLumoLabel(w_.get(), 99, 0, "x");                              // ignored
  SetLumoCaption(0, 12, "x");
  EXPECT_EQ(GetLumoLabel(w_.get(), 99, 0), "");
}

TEST_F(ButtonBar, FacesUnderlineAndSeparators) {
  w_->menuPage = kLumoMain;
  LoadButtons(w_.get());
  EXPECT_EQ(pixel(60, 430), 0x282828u);   // face
  EXPECT_EQ(pixel(60, 479), 0xFA9600u);   // button 1 underlined
  EXPECT_EQ(pixel(700, 478), 0xFA9600u);  // button 6 underlined
  EXPECT_EQ(pixel(200, 479), 0x282828u);  // button 2 not
  EXPECT_EQ(pixel(130, 450), 0x787878u);  // separator
  EXPECT_EQ(pixel(50, 420), 0x787878u);   // top edge
  EXPECT_EQ(pixel(131, 450), 0u);         // gap between faces keeps the picture
  w_->menuPage = kLumoSetupList;
  LoadButtons(w_.get());
  EXPECT_EQ(pixel(60, 479), 0x282828u);
}

TEST_F(ButtonBar, TxLampOnlyWhileTransmittingAndNotCoveredByTheInformationScreen) {
  w_->menuPage = kLumoMain;
  w_->linkFault = 0;
  LoadButtons(w_.get());
  EXPECT_NE(pixel(380, 180), 0xFA0000u);
  w_->ampStatus[1] = 1;
  LoadButtons(w_.get());
  EXPECT_EQ(pixel(380, 180), 0xFA0000u);
  std::memset(fb_->drawMem, 0, fb_->memSize);
  w_->statusView = 1;
  LoadButtons(w_.get());
  EXPECT_EQ(pixel(380, 180), 0u);
}

}  // namespace
