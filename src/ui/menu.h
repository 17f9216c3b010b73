#pragma once
struct Works;

// Builds the settings menus.
void InitMenuLumo(Works* works);
// Applies an editing key to the selected setup row: 0 ENTER, 1 "-", 2 "+",
// 3 "<", 4 ">". Returns 1 when a held key should repeat.
int ModifyParameter(Works* works, int key);
