#include "tune/labels.h"

#include <gtest/gtest.h>

#include "core/works.h"
#include "ui/button_labels.h"
#include "works_fixture.h"

namespace {

class LabelsTest : public ::testing::Test {
 protected:
  OwnedWorks w_;
  std::string label(int page, int button) { return GetLumoLabel(w_.get(), page, button); }
  void clearAll() {
    for (int p = 0; p < kLumoPages; ++p)
      for (int b = 0; b < kLumoButtons; ++b) SetLumoLabel(w_.get(), p, b, "");
  }
  void SetUp() override { clearAll(); }
};

TEST_F(LabelsTest, CaptionsFollowTheState) {
  w_->menuPage = kPageMain;
  w_->NumBanco = 7;
  SetModeWorkLabel(w_.get());
  EXPECT_EQ(label(0, 0), "BANK7");

  const char* att[] = {"  0dB", "  2dB", "  3dB", "  5dB"};
  w_->ampBypass = 0;
  for (int a = 0; a < 4; ++a) {
    w_->Attenuator = a;
    SetAttenuatorLabel(w_.get());
    EXPECT_EQ(label(0, 1), att[a]);
  }
  w_->Attenuator = 9;  // out of range: must not read past the labels
  SetAttenuatorLabel(w_.get());
  EXPECT_EQ(label(0, 1), "  0dB");
  w_->ampBypass = 1;
  SetAttenuatorLabel(w_.get());
  EXPECT_EQ(label(0, 1), "  StBy");

  w_->menuPage = kPageTune;
  w_->atuBypass = 1;
  LabelByPassATU(w_.get());
  EXPECT_EQ(label(3, 4), "   Bpy");
  w_->atuBypass = 0;
  LabelByPassATU(w_.get());
  EXPECT_EQ(label(3, 4), "   On");
  LabelByPassLumo(w_.get(), "busy");
  EXPECT_EQ(label(3, 4), "busy");

  w_->menuPage = kPageSaveTune;
  w_->tuneMemBank = 12;
  w_->tuneMemAnt = 2;
  LabelSAVEATU(w_.get());
  EXPECT_EQ(label(8, 1), "   12");
  EXPECT_EQ(label(8, 2), "     3");

  w_->menuPage = kPageManual;
  w_->tuneL = 120;
  w_->tuneC = 45;
  const char* modes[] = {"ByP", "CL", "LC", "ByP"};
  for (int m = 0; m < 4; ++m) {
    w_->tuneMode = static_cast<uint8_t>(m);
    ImpostaLblManuale(w_.get());
    EXPECT_EQ(label(4, 0), modes[m]);
  }
  EXPECT_EQ(label(4, 2), "     120");
  EXPECT_EQ(label(4, 4), "     45");
}

TEST_F(LabelsTest, NothingIsWrittenWhileAnotherPageIsShown) {
  w_->menuPage = 6;
  SetModeWorkLabel(w_.get());
  SetAttenuatorLabel(w_.get());
  LabelByPassATU(w_.get());
  LabelByPassLumo(w_.get(), "x");
  LabelSAVEATU(w_.get());
  ImpostaLblManuale(w_.get());
  for (int p = 0; p < kLumoPages; ++p)
    for (int b = 0; b < kLumoButtons; ++b) EXPECT_EQ(label(p, b), "") << p << "," << b;
}

}  // namespace
