#pragma once
// The GPIO thread: the six front-panel buttons, two static outputs and the
// two-wire exchange with the front-panel microcontroller, polled every 2 ms
// until `running` falls. Key presses go to the registered KeyHandler
// (display/key_handler.h), on this thread.
//
// Pins: GPIO 4 data and GPIO 6 clock of the exchange; GPIO 13 high, low while
// firmware-update mode (fwUpdateMode bit 0) is on; GPIO 16 always high;
// GPIO 22-27 buttons 1-6, inputs with pull-ups, active low.
struct Works;

void GPIO(Works* works);
