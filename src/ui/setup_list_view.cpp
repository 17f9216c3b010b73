#include "ui/setup_list_view.h"

#include <cstdio>
#include <mutex>

#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "state/works.h"
#include "ui/key_pages.h"
#include "ui/lumomenu.h"
#include "ui/menu_rows.h"
#include "ui/network_settings.h"

namespace {

constexpr int kBandTop = 285, kBandBottom = 364;
constexpr int kCurrentTop = 311, kCurrentBottom = 339;
// The information screen fills the upper half; the list then sits lower.
constexpr int kShiftUnderInfo = 50;
constexpr int kPrevY = 305, kCurrentY = 335, kNextY = 360;
constexpr int kIdX = 20, kTitleX = 70, kLabelX = 350, kValueEnd = 790;
constexpr int kSmallFont = 1, kValueFont = 11, kCurrentFont = 7, kPlainValueFont = 0, kHintFont = 8;
constexpr int kHintUpdating = 8;

struct Colour {
  int r, g, b;
};
constexpr Colour kOrange{250, 150, 0}, kWhite{255, 255, 255}, kBright{250, 250, 250};

void put(Works* w, int font, int x, int y, const char* s, Colour c) {
  putString(font, x, y, s, c.r, c.g, c.b, w->fb, 0, 0, 0, 0);
}

void rightAligned(Works* w, int font, int y, const char* s, Colour c) {
  put(w, font, kValueEnd - getStringSpace(font, s), y, s, c);
}

void band(Works* w, int shift) {
  const int width = w->fb->xSize;
  FillBox(0, kBandTop + shift, width, kCurrentTop + shift, 40, 40, 40, w->fb, 0);
  FillBox(0, kCurrentTop + shift, width, kCurrentBottom + 1 + shift, 80, 80, 80, w->fb, 0);
  FillBox(0, kCurrentBottom + 1 + shift, width, kBandBottom + 1 + shift, 40, 40, 40, w->fb, 0);
}

// Number, title and label of a row.
void rowTitles(Works* w, int row, int font, int y, Colour c) {
  const MenuRow& r = menuPar[row];
  char id[16];
  std::snprintf(id, sizeof id, "%d -", r.id);
  put(w, font, kIdX, y, id, c);
  put(w, font, kTitleX, y, r.title, c);
  put(w, font, kLabelX, y, r.items[0].label, c);
}

void neighbour(Works* w, int row, int y) {
  char value[kMenuValueSize];
  rowTitles(w, row, kSmallFont, y, kOrange);
  LoadParameterMenu(w, value, row, 1);
  rightAligned(w, kValueFont, y, value, kOrange);
}

// An address being edited: the byte under the cursor bright, the rest orange,
// the whole right-aligned as one text would be.
void addressWithCursor(Works* w, int y) {
  uint8_t bytes[4] = {};
  int cursor = 0;
  {
    std::lock_guard lock(LAN_mutex);
    if (const uint8_t* v = LAN_vect.load())
      for (int i = 0; i < 4; ++i) bytes[i] = v[i];
    cursor = LAN_idx;
  }
  char parts[4][8];
  int width = 0;
  for (int i = 0; i < 4; ++i) {
    std::snprintf(parts[i], sizeof parts[i], i < 3 ? "%i." : "%i", bytes[i]);
    width += getStringSpace(kCurrentFont, parts[i]);
  }
  int x = kValueEnd - width;
  for (int i = 0; i < 4; ++i) {
    put(w, kCurrentFont, x, y, parts[i], i == cursor ? kBright : kOrange);
    x += getStringSpace(kCurrentFont, parts[i]);
  }
}

void current(Works* w, int row, int y) {
  char value[kMenuValueSize];
  rowTitles(w, row, kCurrentFont, y, kWhite);
  // Also publishes an address row's bytes and cursor for the drawing below.
  LoadParameterMenu(w, value, row, w->menuSub);
  if (w->menuPage != kLumoValueEdit)
    rightAligned(w, kPlainValueFont, y, value, kWhite);
  else if (MenuRowHasCursor(row))
    addressWithCursor(w, y);
  else
    rightAligned(w, kCurrentFont, y, value, kBright);
}

}  // namespace

void DrawSetupList(Works* w) {
  const int shift = (w->statusView & kViewStatus) ? kShiftUnderInfo : 0;
  int row = w->menuRow;
  if (row < 0 || row >= kMenuRowCount) row = 0;
  const int prev = row == 0 ? kMenuRowCount - 1 : row - 1;
  const int next = row == kMenuRowCount - 1 ? 0 : row + 1;
  band(w, shift);
  neighbour(w, prev, kPrevY + shift);
  current(w, row, kCurrentY + shift);
  neighbour(w, next, kNextY + shift);
  if (w->hintFlags & kHintUpdating)
    put(w, kHintFont, 5, 400, "Update UI in progress: Wait for reset (max 2min)", kBright);
}
