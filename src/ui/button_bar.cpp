#include "ui/button_bar.h"

// Placeholder until the button bar is built.
void LoadButtons(Works*) {}
