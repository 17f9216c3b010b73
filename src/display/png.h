#pragma once
struct Works;

// Loads the picture named by works->pngName: toBack 1 into the background
// buffer, 0 into the draw buffer and then onto the screen.
void getPng(Works* works, int toBack);
