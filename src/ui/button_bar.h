#pragma once
// The bar of six soft buttons along the bottom of the screen, one above each
// front-panel push-button, with the captions of the current page; then the
// layers drawn over the working area (parameter boxes, error keys, status
// screens, TX lamp).
struct Works;

// Draws the bar and its overlays into the draw buffer; the timer calls it once
// per tick, holding the draw lock.
void LoadButtons(Works* works);
