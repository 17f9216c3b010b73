#pragma once
// What the six front-panel buttons do: the action of a button depends on the
// button-bar page shown (`menuPage`).
struct Works;

// Carries out a press of `button` (1..6) on the current page ("tasto": key).
// `longFlags` is 0 for a short press; for a long press or a repeat it is the
// held-button mask with this button's bit (1 << (button - 1)) set. Returns
// nonzero when the action repeats while the button is held. Runs on the
// GPIO thread.
int DecodeTasto(Works* works, int button, int longFlags);

// Closes the information screen if it is open and restores the working
// picture; 1 when it was open, else 0.
int EscFromStatus(Works* works);
