#pragma once
// The companion transceiver's external IO link.
struct Works;

// Thread body: owns the external IO port (SerPort, 115 200 baud), decodes the
// parameter and spectrum messages and sends the transceiver its receive and
// tune-carrier commands, while `enaser` is '1'. A port that cannot be opened
// sets link fault 3 and is tried again every 5 s (at once after
// RequestExtIoReopen); a transceiver that falls silent raises error 8 in
// interface type 1 until it is heard again.
void Serial(Works* works);
// Asks the link to try its port again at once (the Retry key). Any thread.
void RequestExtIoReopen(Works* works);
