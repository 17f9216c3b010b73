#pragma once
// The amplifier command ring: any thread queues a command code; only the
// `Linear` thread takes codes out, one per status poll.
#include <cstdint>

struct Works;

// Queues `code`. Returns the code, or -1 when the ring is full: a full ring
// refuses the code (and logs it) rather than overwrite one still pending.
int IncPNTIn_CMDLinear(int code, Works* works);
// Takes the oldest code out (clearing its slot); -1 when the ring is empty.
int TakeCMDLinear(Works* works);
// Number of codes waiting.
int PendingCMDLinear(Works* works);
