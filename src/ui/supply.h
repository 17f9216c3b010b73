#pragma once
// The amplifier supply voltage as the screens and the status text show it.
struct Works;

// Volts from the front-panel controller's supply reading.
float SupplyVoltage(Works* works);
