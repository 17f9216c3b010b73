#pragma once
struct Works;

// Queues the amplifier's start-up commands: version, data blocks, protections
// off, thresholds, antenna, frequency sensor, tuner word, parameters, reset state.
void InitMicroCmd(Works* works);
