#pragma once
// The amplifier port. `Linear` itself is declared with the other thread
// functions in core/thread_table.h.
struct Works;

// Opens and configures the port named by the LinPort setting (115 200 baud,
// raw). On failure sets `linkFault` 1 and its text and leaves `linFD` -1; the
// link thread then tries the port again every 5 s, or at once after
// RequestLinearReopen, and clears the fault when it opens.
void OpenLinear(Works* works);

// Asks the link thread to try the port again at once (the Retry key of the
// failed-link page). Any thread; does nothing while the port is open.
void RequestLinearReopen(Works* works);
