#pragma once
// The amplifier link thread and its port.
struct Works;

// Thread body: owns the amplifier port, sends one command at a time and
// decodes the replies, until `running` is 0.
void Linear(Works* works);
// Opens and configures the port named by the LinPort setting (115 200 baud,
// raw). On failure sets `linkFault` 1 and its text and leaves `linFD` -1; the
// link thread then tries the port again every 5 s, or at once after
// RequestLinearReopen, and clears the fault when it opens.
void OpenLinear(Works* works);
// Asks the link thread to try the port again at once (the Retry key of the
// failed-link page). Any thread; does nothing while the port is open.
void RequestLinearReopen(Works* works);
