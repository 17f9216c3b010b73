#pragma once
// Row types of the filter, band and tuner-memory tables.
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
