#pragma once
struct Works;

// Draws the button bar of the current page.
void LoadButtons(Works* works);
