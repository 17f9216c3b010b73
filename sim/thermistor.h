#pragma once
// The amplifier's heat-sink thermistors as the microcontroller reads them: a
// thermistor under a 10 kOhm divider on a 12-bit converter. Encodes a
// temperature into the raw reading the program converts back.
namespace sim {

// Thermistor resistance (kOhm) at `celsius`, interpolated linearly between the
// pairs of the thermistor's data sheet (-40..125 degrees, limited to that range).
double thermistorKOhm(double celsius);
// Raw 12-bit reading for `celsius`: 4095 x R / (10 + R).
int thermistorRaw(double celsius);

}  // namespace sim
