#pragma once
// Where the GPIO thread sends the front-panel keys. The key dispatch sits in a
// layer above the display, so the program registers it at start-up instead of
// the display calling it by name; until then presses are read and dropped.
struct Works;

// Called on the GPIO thread with button 1-6. longFlags is 0 for a short press;
// for a long press or a repeat it is the held-state mask with the button's bit
// (1 << (button - 1)) set. A nonzero return asks for auto-repeat.
using KeyHandler = int (*)(Works* works, int button, int longFlags);

// Registers the handler (nullptr: none). Safe from any thread at any time.
void SetKeyHandler(KeyHandler handler);
KeyHandler GetKeyHandler();
