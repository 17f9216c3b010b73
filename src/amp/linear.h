#pragma once
// The amplifier link thread and its port.
struct Works;

// Thread body: owns the amplifier port, sends one command at a time and
// decodes the replies, until `running` is 0.
void Linear(Works* works);
// Opens and configures the port named by the LinPort setting (115 200 baud,
// raw). On failure sets `linkFault` 1 and its text; the link then runs with an
// invalid descriptor, so every exchange times out into the retry policy.
void OpenLinear(Works* works);
// Asks the link thread to reopen its port.
void RequestLinearReopen(Works* works);
