#pragma once
// Row types of the band configuration, fan, filter, band and tuner-memory
// tables, shared by the field groups of `works` and the tables that fill them.
#include <cstdint>

inline constexpr int kFilterEntries = 8;
inline constexpr int kBandRowsMax = 11;
inline constexpr int kTuneMemSlots = 5000;
inline constexpr int kTuneMemAntennas = 3;

// One band filter; entry i drives filter bit i.
struct FilterEntry {
  int32_t start;    // lowest frequency served, Hz
  int32_t stop;     // highest frequency served, Hz, inclusive
  int32_t enabled;  // low byte 1 = may be selected
};

// One band of the band table.
struct BandRow {
  char name[8];       // band label, at most 7 characters
  int32_t start;      // Hz
  int32_t stop;       // Hz, inclusive
  uint8_t ampEnable;  // 1 amplifier in line, 0 bypassed
  uint8_t ant;        // antenna 1..3, 0 unchanged
  uint8_t atuOff;     // 1 tuner bypassed for this band
  uint8_t att;        // attenuation step 0..3
  float pwr;          // power value, steps of 0.1
};

// One slot of a tuner memory.
struct TuneMemEntry {
  uint8_t valid;  // 0 empty, 1 stored by the program
  uint8_t mode;   // network mode 1..3
  uint16_t L;     // inductance 0..511
  uint16_t C;     // capacitance 0..511
};

// One segment: it covers its own start frequency up to, not including, the
// start frequency of the next row.
struct ConfigRow {
  uint32_t startFreq = 0;  // Hz
  uint32_t endFreq = 0;    // Hz, as written; logged only
  float kFwd = 0;          // forward watts = kFwd x reading^2
  float kRefl = 0;         // reflected watts = kRefl x reading^2
  float kIn = 0;           // input (drive) watts = kIn x reading^2
  float kReflCorr = 0;     // fraction of the forward power added to the reflected
  float maxPWIN = 0;       // W
  float maxCorrente = 0;   // A
  float maxREFL = 0;       // W
  float maxFWD = 0;        // W
  int32_t startL[5] = {};  // tuning start points; read and logged only
  int32_t startC[5] = {};
  int32_t startStep = 0;
  // The input calibration point as read, kept for the log line.
  float inPower = 0, inReading = 0;
  // False for a line that did not read: the row keeps its place (its start
  // still closes the row before it) but is never selected.
  bool usable = true;
};

// One row of the fan curve: from `temperature` upward the fan runs at `percent`.
struct FanRow {
  float temperature = 0;  // degrees Celsius
  int percent = 0;        // fan speed, %
};
