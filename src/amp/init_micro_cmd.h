#pragma once
struct Works;

// Queues the amplifier's start-up commands: version, data blocks, protections
// off, thresholds, antenna, frequency sensor, tuner word, parameters, reset state.
void InitMicroCmd(Works* works);
// After the microcontroller restarted (it lost every setting): the start-up
// list again, with each setting's wanted value, then the filter, frequency,
// fan, bypass and attenuation the frequency road had set, ahead of ordinary
// commands.
void ResendAllSettings(Works* works);
