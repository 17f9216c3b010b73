#pragma once
// The setup list as the SET key shows it: the previous, current and next row
// in a grey band above the button bar, the current one highlighted; while a
// value is edited, an address shows which of its four bytes the arrows move.
struct Works;

// Draws the band and its three rows, and the update-in-progress line.
void DrawSetupList(Works* works);
