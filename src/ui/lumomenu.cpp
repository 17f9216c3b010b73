#include "ui/lumomenu.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "state/works.h"
#include "tables/antenna_tables.h"
#include "ui/att_text.h"

namespace {

std::mutex gLumoMutex;
LumoPage Lumomenu[kLumoPageCount];

// Start-up captions: top and bottom for buttons 1..6; flags. Leading spaces
// centre a caption on its button; a blank caption is one space. The captions
// that show live state are filled by RefreshDynamicCaptions.
struct PageText {
  const char* caption[kLumoCaptions];
  uint8_t flags;
};

constexpr PageText kStartCaptions[] = {
    {{"  MEM", "", " IN-ATT", "", "   ANT", "", "  TUNE", " ", "   SET", " ", "   VIEW ", ""},
     kLumoUnderline1 | kLumoUnderline6},
    {{" BACK ", " ", " ", " ", "    UP", " ", "  DOWN", " ", " ", " ", "  ENTER", " "}, 0},
    {{" BACK ", " ", " < ", " ", "   > ", " ", "      - ", " ", "     + ", " ", "  ENTER", " "}, 0},
    {{" BACK ", " ", " ", " ", " ", " ", "  TUNE", "", "   ATU", "", "MANUAL", "Tune"}, 0},
    {{" BACK ", "", " down L", " ", "   up L", "", " down C", " ", "   up C", "", "STARTTX", " "}, kLumoUnderline1},
    {{" ", " ", " ", " ", " ", " ", " ", " ", " Retry", " ", "Cancel", " "}, 0},
    {{" BACK", " ", " INTERF", "", "    UP", " ", "  DOWN", " ", "   UTIL", " ", " ENTER", " "}, 0},
    {{"BACK", " ", "  <", " ", "    >", " ", "  + ", " ", " - ", " ", "SAVE", " "}, 0},
    {{"  ESC", " ", "  BANK", "", "   ANT", "", " ", " ", " ", " ", "   SAVE", " "}, 0},
    {{"BACK", " ", "  COPY", " ", "   RESET", " ", " ", " ", " ", " ", " ", " "}, 0},
    {{"BACK", " ", " ORIGIN", "", "  DEST", "", " ", " ", " ", " ", " START", "COPY"}, 0},
    {{"BACK", " ", " BANK", "", " ", " ", " ", " ", " ", " ", " START", "RESET"}, 0},
    {{" ESC", " ", "    UP", " ", "  DOWN", " ", " ", " ", "Enable", " ", "Disable", " "}, 0},
};

void setLocked(int page, int index, const char* text) {
  std::snprintf(Lumomenu[page].caption[index], kLumoCaptionSize, "%s", text ? text : "");
}

// Bottom caption of button `button` (1..6) from a printf format.
template <typename... Args>
void bottom(int page, int button, const char* fmt, Args... args) {
  char text[32];
  std::snprintf(text, sizeof text, fmt, args...);
  SetLumoCaption(page, 2 * (button - 1) + 1, text);
}

const char* modeWorkLabel(int mode) { return mode >= 0 && mode < 3 ? MODEwork[mode] : " "; }

const char* networkModeCaption(int mode) { return mode == 1 ? "CL" : mode == 2 ? "LC" : "ByP"; }

void refreshMain(Works* w) {
  bottom(kLumoMain, 1, "BANK%i", w->NumBanco.load());
  if (w->ampBypass == 1)
    bottom(kLumoMain, 2, "  %s", "StBy");
  else
    bottom(kLumoMain, 2, "  %sdB", AttText(w->Attenuator));
  bottom(kLumoMain, 3, "     %d", w->antennaIndex + 1);
  bottom(kLumoMain, 6, "    %d", w->screenPage.load());
}

void refreshTune(Works* w) {
  if (w->TUNEenabled & 0x80)
    bottom(kLumoTune, 4, "%s", "NotInst");
  else
    bottom(kLumoTune, 4, "%s", w->tunerRunning ? "    On" : "   Off");
  bottom(kLumoTune, 5, "%s", w->atuBypass ? "   Bpy" : "   On");
}

void refreshManual(Works* w) {
  bottom(kLumoManualTune, 1, "%s", networkModeCaption(w->tuneMode));
  bottom(kLumoManualTune, 3, "     %u", static_cast<unsigned>(w->tuneL.load()));
  bottom(kLumoManualTune, 5, "     %u", static_cast<unsigned>(w->tuneC.load()));
}

void refreshBankReset(Works* w) {
  if (w->resetBank == w->MAXbank)
    bottom(kLumoBankReset, 2, "%s", "  ALL");
  else
    bottom(kLumoBankReset, 2, "    %i", w->resetBank.load());
}

}  // namespace

void InitLumomenu(Works* works) {
  {
    std::lock_guard lock(gLumoMutex);
    std::memset(Lumomenu, 0, sizeof Lumomenu);
    for (int p = 0; p < static_cast<int>(std::size(kStartCaptions)); ++p) {
      for (int c = 0; c < kLumoCaptions; ++c) setLocked(p, c, kStartCaptions[p].caption[c]);
      Lumomenu[p].flags = kStartCaptions[p].flags;
    }
  }
  for (int p = 0; p < kLumoPageCount; ++p) RefreshDynamicCaptions(works, p);
}

void SetLumoCaption(int page, int index, const char* text) {
  if (page < 0 || page >= kLumoPageCount || index < 0 || index >= kLumoCaptions) return;
  std::lock_guard lock(gLumoMutex);
  setLocked(page, index, text);
}

LumoPage GetLumoPage(int page) {
  if (page < 0 || page >= kLumoPageCount) return {};
  std::lock_guard lock(gLumoMutex);
  return Lumomenu[page];
}

void RefreshDynamicCaptions(Works* w, int page) {
  switch (page) {
    case kLumoMain:
      refreshMain(w);
      break;
    case kLumoTune:
      refreshTune(w);
      break;
    case kLumoManualTune:
      refreshManual(w);
      break;
    case kLumoUtilities:
      bottom(kLumoUtilities, 2, "%s", modeWorkLabel(w->ModeWorkIdx));
      break;
    case kLumoSaveTune:
      bottom(kLumoSaveTune, 2, "   %i", w->tuneMemBank.load());
      bottom(kLumoSaveTune, 3, "     %i", w->tuneMemAnt + 1);
      break;
    case kLumoBankCopy:
      bottom(kLumoBankCopy, 2, "    %i", w->copyFrom.load());
      bottom(kLumoBankCopy, 3, "    %i", w->copyTo.load());
      break;
    case kLumoBankReset:
      refreshBankReset(w);
      break;
    default:
      break;
  }
}
