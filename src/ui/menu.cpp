#include "ui/menu.h"

// Placeholder until the menus are built.
void InitMenuLumo(Works*) {}
