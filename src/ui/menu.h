#pragma once
// The settings menus: start-up contents of the menu records, and the keys of the
// value-edit page applied to the selected row of the setup list.
struct Works;

// Key codes of the value-edit page.
enum MenuKey : int {
  kMenuEnter = 0,
  kMenuMinus = 1,  // "-"
  kMenuPlus = 2,   // "+"
  kMenuLeft = 3,   // "<"
  kMenuRight = 4,  // ">"
};

// Builds the settings menus: the setup list's size (32 rows), its on/off
// choices all off, and the start-up captions of every button-bar page.
void InitMenuLumo(Works* works);

// Applies `key` to the row works->menuRow (rows in ui/menu_rows.h). Settings
// change in memory at once; ENTER saves those kept in the setup file, and a few
// rows act at once. Returns 1 when the key repeats while its button is held
// ("-" and "+" on the period, target SWR, offset, release time and alarm set
// points; "<" and ">" too on all of those but the period; ENTER too on the
// offset and release time), 0 otherwise.
int ModifyParameter(Works* works, int key);
