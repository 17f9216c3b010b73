// The button bar pulls its live captions from state on every tick; nothing
// below the user interface writes a caption.
#include <gtest/gtest.h>

#include "state/works.h"
#include "ui/button_labels.h"
#include "ui/lumomenu.h"
#include "ui/tune_labels.h"
#include "works_fixture.h"

namespace {

class DynamicCaptionsTest : public ::testing::Test {
 protected:
  OwnedWorks w_;
  void SetUp() override { InitLumomenu(w_.get()); }
  std::string label(int page, int button) {
    RefreshDynamicCaptions(w_.get(), page);
    return GetLumoLabel(w_.get(), page, button);
  }
};

TEST_F(DynamicCaptionsTest, MainPageShowsBankAttenuationAndAntenna) {
  w_->NumBanco = 7;
  EXPECT_EQ(label(kLumoMain, 0), "BANK7");
  const char* att[] = {"  0dB", "  2dB", "  3dB", "  5dB"};
  w_->ampBypass = 0;
  for (int a = 0; a < 4; ++a) {
    w_->Attenuator = a;
    EXPECT_EQ(label(kLumoMain, 1), att[a]);
  }
  w_->Attenuator = 9;  // out of range: must not read past the captions
  EXPECT_EQ(label(kLumoMain, 1), "  ?dB");
  w_->ampBypass = 1;
  EXPECT_EQ(label(kLumoMain, 1), "  StBy");
  w_->antennaIndex = 2;
  EXPECT_EQ(label(kLumoMain, 2), "     3");
}

TEST_F(DynamicCaptionsTest, TunePagesFollowTheTuner) {
  w_->atuBypass = 1;
  EXPECT_EQ(label(kLumoTune, 4), "   Bpy");
  w_->atuBypass = 0;
  EXPECT_EQ(label(kLumoTune, 4), "   On");

  w_->tuneMemBank = 12;
  w_->tuneMemAnt = 2;
  EXPECT_EQ(label(kLumoSaveTune, 1), "   12");
  EXPECT_EQ(label(kLumoSaveTune, 2), "     3");

  w_->tuneL = 120;
  w_->tuneC = 45;
  const char* modes[] = {"ByP", "CL", "LC", "ByP"};
  for (int m = 0; m < 4; ++m) {
    w_->tuneMode = static_cast<uint8_t>(m);
    EXPECT_EQ(label(kLumoManualTune, 0), modes[m]);
  }
  EXPECT_EQ(label(kLumoManualTune, 2), "     120");
  EXPECT_EQ(label(kLumoManualTune, 4), "     45");
}

TEST_F(DynamicCaptionsTest, RefreshingOnePageLeavesTheOthersAlone) {
  const LumoPage before = GetLumoPage(kLumoTune);
  w_->atuBypass = 1;
  w_->NumBanco = 3;
  RefreshDynamicCaptions(w_.get(), kLumoMain);
  const LumoPage after = GetLumoPage(kLumoTune);
  for (int c = 0; c < kLumoCaptions; ++c) EXPECT_STREQ(after.caption[c], before.caption[c]) << c;
}

}  // namespace

namespace {

// The named label refreshes write only while their page is shown.
TEST_F(DynamicCaptionsTest, NamedLabelsWriteOnlyOnTheirPage) {
  w_->menuPage = kLumoMain;
  w_->tuneL = 17, w_->tuneC = 300, w_->tuneMode = 2;
  ImpostaLblManuale(w_.get());
  EXPECT_NE(GetLumoLabel(w_.get(), kLumoManualTune, 2), "     17");
  w_->menuPage = kLumoManualTune;
  ImpostaLblManuale(w_.get());
  EXPECT_EQ(GetLumoLabel(w_.get(), kLumoManualTune, 2), "     17");
  EXPECT_EQ(GetLumoLabel(w_.get(), kLumoManualTune, 4), "     300");
  EXPECT_EQ(GetLumoLabel(w_.get(), kLumoManualTune, 0), "LC");

  LabelByPassLumo(w_.get(), " Wait");
  EXPECT_NE(GetLumoLabel(w_.get(), kLumoTune, 4), " Wait");
  w_->menuPage = kLumoTune;
  LabelByPassLumo(w_.get(), " Wait");
  EXPECT_EQ(GetLumoLabel(w_.get(), kLumoTune, 4), " Wait");
  w_->atuBypass = 1;
  LabelByPassATU(w_.get());
  EXPECT_EQ(GetLumoLabel(w_.get(), kLumoTune, 4), "   Bpy");
}

}  // namespace
