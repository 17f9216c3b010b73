#pragma once
struct Works;

// Thread body of the companion transceiver's external IO link.
void Serial(Works* works);
// Copies the companion transceiver's parameter record.
void getParameters(Works* works);
