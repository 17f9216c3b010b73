#include "tune/labels.h"

#include <cstdio>

#include "core/works.h"
#include "ui/button_labels.h"

namespace {

constexpr const char* kAttVectStr[5] = {"0", "2", "3", "5", "StBy"};

bool shown(Works* works, int page) { return works->menuPage == page; }

const char* modeCaption(int mode) { return mode == 1 ? "CL" : mode == 2 ? "LC" : "ByP"; }

}  // namespace

void SetModeWorkLabel(Works* works) {
  if (!shown(works, kPageMain)) return;
  char text[16];
  std::snprintf(text, sizeof text, "BANK%i", works->NumBanco.load());
  SetLumoLabel(works, kPageMain, 0, text);
}

void SetAttenuatorLabel(Works* works) {
  if (!shown(works, kPageMain)) return;
  char text[16];
  if (works->ampBypass == 1) {
    std::snprintf(text, sizeof text, "  %s", kAttVectStr[4]);
  } else {
    int att = works->Attenuator;
    if (att < 0 || att > 3) att = 0;  // an out-of-range value must not index past the table
    std::snprintf(text, sizeof text, "  %sdB", kAttVectStr[att]);
  }
  SetLumoLabel(works, kPageMain, 1, text);
}

void LabelByPassATU(Works* works) { LabelByPassLumo(works, works->atuBypass ? "   Bpy" : "   On"); }

void LabelByPassLumo(Works* works, const char* text) {
  if (!shown(works, kPageTune)) return;
  SetLumoLabel(works, kPageTune, 4, text);
}

void LabelSAVEATU(Works* works) {
  if (!shown(works, kPageSaveTune)) return;
  char text[16];
  std::snprintf(text, sizeof text, "   %i", works->tuneMemBank.load());
  SetLumoLabel(works, kPageSaveTune, 1, text);
  std::snprintf(text, sizeof text, "     %i", works->tuneMemAnt.load() + 1);
  SetLumoLabel(works, kPageSaveTune, 2, text);
}

void ImpostaLblManuale(Works* works) {
  if (!shown(works, kPageManual)) return;
  char text[16];
  std::snprintf(text, sizeof text, "     %u", static_cast<unsigned>(works->tuneL.load()));
  SetLumoLabel(works, kPageManual, 2, text);
  std::snprintf(text, sizeof text, "     %u", static_cast<unsigned>(works->tuneC.load()));
  SetLumoLabel(works, kPageManual, 4, text);
  SetLumoLabel(works, kPageManual, 0, modeCaption(works->tuneMode));
}

void SetManualModeLabel(Works* works, int mode) {
  if (!shown(works, kPageManual)) return;
  SetLumoLabel(works, kPageManual, 0, mode == 1 ? "CL" : mode == 2 ? " LC" : "ByP");
}
