#pragma once
struct Works;

// Copies the companion transceiver's parameter record.
void getParameters(Works* works);
