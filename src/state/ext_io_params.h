#pragma once
// The companion transceiver's parameter record, decoded from the parameter
// blocks of its external IO port (and, on the remote unit, from the peer's
// copies of them). Guarded by works->serMutexPtr; read it through
// getParameters. Fields named by position only carry what the transceiver
// puts there; the program reads the frequency, mode, transmit state, antenna
// and the two offsets.
#include <cstdint>

struct ExtIoParams {
  // Byte 0.
  int32_t status0Bit6;  // 1 while the transceiver transmits
  int32_t vfoBActive, dataIsVfoB, status0Bits23, freqIsAlt;
  // Bytes 1-8 and what is derived from them.
  int32_t freqRaw, altFreq, vfoAFreq, vfoBFreq, activeFreq, freqPrev, freqPrev2;
  // Byte 9.
  int32_t status9Bit6, status9Bit5, status9Bit4, modeRaw, vfoAMode, vfoBMode, mode;
  // Byte 10.
  int32_t volumeSel, sign10b3, sign10b2, sign10b1, sign10b0;
  // Byte 11.
  int32_t status11Bit5, status11Bit4, squelch;
  // Bytes 12 and 13.
  int32_t sel12, val12a, val12b, status13Bit5, status13Bit4, val13, sel12Value;
  // Bytes 14 and 15.
  int32_t nr, nb;
  // Bytes 16-19.
  int32_t set16, set17, set18, set19a, set19b;
  // Byte 20: `an` is the antenna the transceiver asks for (-1 for none).
  int32_t att, lp, an, status20Bit0;
  // Bytes 21-30.
  int32_t level21, volume, volumeAux, volumeSide, offsetA, offsetB;
  int32_t spare;
};
static_assert(sizeof(ExtIoParams) == 52 * sizeof(int32_t));
