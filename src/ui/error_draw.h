#pragma once
// The error keys: the active errors shown as coloured keys in the row above
// the button bar, oldest first, at most six.
struct Works;

// Draws up to six keys for the active errors (the six newest when more are
// active). Nothing is drawn while a status screen covers the display.
void DrawError(Works* works);
// One key for error `index` between columns x0 and x1: red for an alarm,
// orange otherwise, with a white frame and the descriptor's two lines.
void DrawTastoErrore(Works* works, int x0, int x1, int index);
