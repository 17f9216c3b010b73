#pragma once
// Actions that erase stored settings (factory reset, bank reset) ask for a
// second press of the same key: the first press arms them and a countdown
// shows how long the second one may wait.
struct Works;

inline constexpr int kConfirmSeconds = 5;

// What a confirmation is for; a bank reset carries the bank (MAXbank: all).
inline constexpr int kConfirmFactoryReset = -1;
inline constexpr int ConfirmBankReset(int bank) { return bank; }

// True on the second press for the same `what` within kConfirmSeconds, which
// also disarms; otherwise arms for `what` and returns false.
bool ConfirmPress(int what);
// Forgets an armed confirmation (another key was pressed).
void DisarmConfirm();
// Whole seconds left (rounded up) for confirming `what`, 0 when not armed.
int ConfirmSecondsLeft(int what);
// Draws the countdown of an armed confirmation above the button bar.
void DrawConfirmCountdown(Works* works);
