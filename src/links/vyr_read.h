#pragma once
struct Works;

// Thread body of the USB receiver that feeds the spectrum display.
void VYRRead(Works* works);
