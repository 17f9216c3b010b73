#pragma once
struct Works;

// Thread body of the screen: redraws every 10 ms, follows the frequency and
// runs the tune-on-transmit handshake, until `running` is 0.
void timer(Works* works);
