#pragma once
// The operating-status layer of the main screen: the message line, the seven
// status boxes and the temperature and supply boxes; and the TX lamp.
#include <cstddef>

struct Works;

// Draws the layout chosen by the page and overlays; nothing on the failed-link screen.
void DrawParameters(Works* works);
// The red "TX" lamp while the amplifier transmits and the information screen is closed.
void ViewStatusTX(Works* works);

// Texts of the main screen's boxes, for drawing and tests.
void FormatBandBox(Works* works, char* out, size_t size);
void FormatTempBox(Works* works, char* out, size_t size);
void FormatSupplyBox(Works* works, char* out, size_t size);
