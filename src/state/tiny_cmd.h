#pragma once
#include <cstdint>

struct Works;

// Posts a code to the GPIO thread's one-byte mailbox: waits until the mailbox
// is empty, then stores the code. The wait gives up (logged, code dropped)
// after two seconds or when the program stops, and at once when the GPIO thread
// is disabled, so a missing reader never hangs the poster.
bool PostTinyCmd(Works* works, uint8_t code);
// The GPIO side: takes the waiting code (0 when none) and empties the mailbox.
uint8_t TakeTinyCmd(Works* works);
