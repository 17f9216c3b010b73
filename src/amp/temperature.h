#pragma once
// Temperatures of the amplifier: thermistor conversion, the over-temperature
// state machine per sensor with its protective reactions, and the auxiliary
// readings of the status screens.
#include <string>

struct Works;

// Raw 12-bit reading (0..4095) of a thermistor under a 10 kOhm divider to
// degrees Celsius, limited to -10..80. 4095 (open divider) reads -10; a
// reading beyond the converter's range reads 80, as a damaged sensor must not
// disable the over-temperature protection.
float CalcolaTemp(int raw);

// Over-temperature logic for one sensor (normal, warning, alarm, after-alarm),
// held in the error list. Sensor 1 uses (2, 0, 23, paTemp1, MaxTemperature),
// sensor 2 (22, 21, 24, paTemp2, MaxTemperature2).
void GestTemperatureFunction(Works* works, int alarmCode, int afterAlarmCode, int warningCode, float temperature,
                             float limit);

// True while an over-temperature alarm of either sensor is in force.
bool TemperatureAlarmActive(Works* works);

// on = 1: "MP1;" then both attenuator pads; on = 0: "MP0;".
void AttivaDisattivaProtezione(Works* works, int on);

// PA supply voltage from the 8-bit reading of the front-panel controller.
float CalvTensVadcAmp(Works* works, int byte);

// Board CPU and GPU temperatures from the "my_temp" command.
void ReadCPUTemp(Works* works);
// Parses the output of "my_temp" into cpuTemp / gpuTemp.
void ParseCPUTemp(Works* works, const char* output);

// Local date and time into works->clockText, refreshed once per second.
void ReadDataOra(Works* works);
// A copy of clockText, taken under its lock.
std::string ClockText(Works* works);

float ConversionCelsius_to_Fahrenheit(float x);
