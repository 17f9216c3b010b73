#pragma once
// The button-bar pages: for each page six buttons with a top and a bottom
// caption, and a flags byte whose bits underline buttons. The key thread and
// the timer thread both write captions, so the table is reached only through
// these functions, which hold its lock.
#include <cstdint>

#include "state/ui_fields.h"

struct Works;

inline constexpr int kLumoPageCount = 16;
inline constexpr int kLumoCaptions = 12;     // captions 2k and 2k + 1: top and bottom of button k + 1
inline constexpr int kLumoCaptionSize = 12;  // terminator included

inline constexpr uint8_t kLumoUnderline1 = 0x01;  // underline button 1
inline constexpr uint8_t kLumoUnderline6 = 0x20;  // underline button 6

struct LumoPage {
  char caption[kLumoCaptions][kLumoCaptionSize];
  uint8_t flags;
};

// Writes the start-up captions and flags of every page.
void InitLumomenu(Works* works);
// Sets caption `index` (0..11) of a page, cut to 11 characters; out-of-range
// pages and indexes are ignored.
void SetLumoCaption(int page, int index, const char* text);
// A copy of a page (an empty page when out of range).
LumoPage GetLumoPage(int page);

// Rewrites the captions that show live state on `page` (see button_bar.cpp for
// the page-by-page list).
void RefreshDynamicCaptions(Works* works, int page);
