#include "ui/tune_labels.h"

#include "state/works.h"
#include "ui/lumomenu.h"

namespace {

constexpr int kCaptionAtuState = 9;  // bottom caption of button 5 on the tuner page

void refreshIfShown(Works* w, int page) {
  if (w->menuPage == page) RefreshDynamicCaptions(w, page);
}

}  // namespace

void SetModeWorkLabel(Works* w) { refreshIfShown(w, kLumoMain); }
void SetAttenuatorLabel(Works* w) { refreshIfShown(w, kLumoMain); }
void LabelByPassATU(Works* w) { refreshIfShown(w, kLumoTune); }
void LabelSAVEATU(Works* w) { refreshIfShown(w, kLumoSaveTune); }
void ImpostaLblManuale(Works* w) { refreshIfShown(w, kLumoManualTune); }

void LabelByPassLumo(Works* w, const char* text) {
  if (w->menuPage == kLumoTune) SetLumoCaption(kLumoTune, kCaptionAtuState, text);
}
