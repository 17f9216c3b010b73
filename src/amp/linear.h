#pragma once
// The amplifier port. `Linear` itself is declared with the other thread
// functions in core/thread_table.h.
struct Works;

// Opens and configures the port named by the LinPort setting (115 200 baud,
// raw). On failure sets `linkFault` 1 and its text; the link then runs with an
// invalid descriptor, so every exchange times out into the retry policy.
void OpenLinear(Works* works);
