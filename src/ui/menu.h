#pragma once
struct Works;

// Builds the settings menus.
void InitMenuLumo(Works* works);
