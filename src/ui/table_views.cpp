#include "ui/table_views.h"

#include <cstdio>
#include <mutex>

#include "display/text.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "ui/att_text.h"

namespace {

constexpr int kFont = 8, kTitleFont = 0, kCursorFont = 7;
constexpr int kFirstLineY = 130, kLineStep = 22;

struct Colour {
  int r, g, b;
};
constexpr Colour kOrange{250, 150, 0}, kBright{250, 250, 250}, kRed{255, 0, 0};

void put(Works* w, int font, int x, int y, const char* s, Colour c) {
  putString(font, x, y, s, c.r, c.g, c.b, w->fb, 0, 0, 0, 0);
}

const char* modeLabel(int mode) { return mode >= 0 && mode < 3 ? MODEwork[mode] : " "; }

// The five editable cells of a band row (Pwr, Att, AmpEnable, Ant, Atu) with
// their columns; the cursor column `bandSelCol` counts from Pwr.
struct Cell {
  int x;
  char text[16];
};

void bandRow(Works* w, const BandRow& r, int i, bool selected, int cursorCol) {
  const int y = kFirstLineY + kLineStep * i;
  const Colour c = selected ? kOrange : kBright;
  char text[16];
  std::snprintf(text, sizeof text, "%i", i + 1);
  put(w, kFont, 50, y, text, c);
  char name[sizeof r.name + 1] = {};
  std::snprintf(name, sizeof name, "%.*s", static_cast<int>(sizeof r.name), r.name);
  put(w, kFont, 90, y, name, c);
  Cell cells[5] = {{170, {}}, {250, {}}, {350, {}}, {470, {}}, {540, {}}};
  std::snprintf(cells[0].text, sizeof cells[0].text, "%2.1f", r.pwr);
  std::snprintf(cells[1].text, sizeof cells[1].text, "%s", AttText(r.att));
  std::snprintf(cells[2].text, sizeof cells[2].text, "%s", r.ampEnable == 1 ? "On" : "Off");
  std::snprintf(cells[3].text, sizeof cells[3].text, "%x", r.ant);
  std::snprintf(cells[4].text, sizeof cells[4].text, "%s", r.atuOff == 1 ? "Off" : "On");
  for (int col = 0; col < 5; ++col) {
    if (selected && col == cursorCol)
      put(w, kCursorFont, cells[col].x, y, cells[col].text, kRed);
    else
      put(w, kFont, cells[col].x, y, cells[col].text, c);
  }
}

}  // namespace

void DrawBankTable(Works* w) {
  char title[64];
  std::snprintf(title, sizeof title, " Memory Table Bank %i - Interface: %s", w->NumBanco.load(),
                modeLabel(w->ModeWorkIdx));
  put(w, kTitleFont, 100, 50, title, kOrange);
  put(w, kFont, 50, 100, "N     Band     Pwr    Att(dB)  AmpEnable    Ant       Atu", kBright);
  // A copy, so the key thread's edits are never drawn half made.
  BandRow rows[kBandRowsMax];
  int count = 0;
  {
    std::lock_guard lock(w->bandMutex);
    count = w->bandRows;
    if (count < 0) count = 0;
    if (count > kBandRowsMax) count = kBandRowsMax;
    for (int i = 0; i < count; ++i) rows[i] = w->bandTab[i];
  }
  const int selRow = w->bandSelRow, selCol = w->bandSelCol;
  for (int i = 0; i < count; ++i) bandRow(w, rows[i], i, i == selRow, selCol);
}

void DrawFilterTable(Works* w) {
  put(w, kTitleFont, 250, 50, "FILTER SETTINGS", kOrange);
  put(w, kFont, 50, 100, "N    Start (Hz)                 Stop(Hz)                   Enabled", kBright);
  FilterEntry entries[kFilterEntries];
  {
    std::lock_guard lock(w->filterMutex);
    for (int i = 0; i < kFilterEntries; ++i) entries[i] = w->filterTab[i];
  }
  const int sel = w->filterSel;
  for (int i = 0; i < kFilterEntries; ++i) {
    const int y = kFirstLineY + kLineStep * i;
    const Colour c = i == sel ? kOrange : kBright;
    char text[24];
    std::snprintf(text, sizeof text, "%i", i + 1);
    put(w, kFont, 50, y, text, c);
    std::snprintf(text, sizeof text, "%d", entries[i].start);
    put(w, kFont, 90, y, text, c);
    std::snprintf(text, sizeof text, "%d", entries[i].stop);
    put(w, kFont, 290, y, text, c);
    put(w, kFont, 490, y, (entries[i].enabled & 0xFF) == 1 ? "On" : "Off", c);
  }
}
