#pragma once
struct Works;

// Thread body of the service keyboard.
void keyb(Works* works);
