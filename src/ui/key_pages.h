#pragma once
// The key handlers of each button-bar page, called by DecodeTasto. Each gets
// the button (1..6) and whether the press is long, and returns nonzero when
// the action repeats while the button is held.
struct Works;

struct KeyPress {
  int button;      // 1..6
  bool longPress;  // a long press or a repeat
  int longFlags;   // the held-button mask given to DecodeTasto
};

int KeysMain(Works* works, const KeyPress& key);           // page 0
int KeysSetupList(Works* works, const KeyPress& key);      // page 1
int KeysValueEdit(Works* works, const KeyPress& key);      // page 2
int KeysTune(Works* works, const KeyPress& key);           // page 3
int KeysManualTune(Works* works, const KeyPress& key);     // page 4
int KeysFailedLink(Works* works, const KeyPress& key);     // page 5
int KeysUtilities(Works* works, const KeyPress& key);      // page 6
int KeysAntennaEdit(Works* works, const KeyPress& key);    // page 7
int KeysSaveTune(Works* works, const KeyPress& key);       // page 8
int KeysBankUtilities(Works* works, const KeyPress& key);  // page 9
int KeysBankCopy(Works* works, const KeyPress& key);       // page 10
int KeysBankReset(Works* works, const KeyPress& key);      // page 11
int KeysFilters(Works* works, const KeyPress& key);        // page 12

// The status-view bits (`statusView`) of the overlay screens.
inline constexpr int kViewStatus = 0x01;     // the information screen
inline constexpr int kViewUtilities = 0x02;  // the band table and bank utilities
inline constexpr int kViewFilters = 0x04;    // the filter settings

// Steps `value` by `delta` through 0..count-1, wrapping at both ends.
int WrapStep(int value, int delta, int count);
// Loads `picture` as the background picture.
void LoadBackground(Works* works, const char* picture);
