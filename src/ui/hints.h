#pragma once
// Bits of `hintFlags` beyond those of the long press (0x01), the unsaved
// bypass (0x02), the remote start (0x04) and the program update (0x08): each
// names a line of text the main screen shows to explain a key that did nothing.
#include <cstdint>

inline constexpr uint8_t kHintTuneOff = 0x10;       // TUNE with "Enable VYR Tune" off
inline constexpr uint8_t kHintTuneBypassed = 0x20;  // TUNE with the tuner bypassed
// 0x80 (kHintTuneTooHot, with the tune itself): TUNE during a temperature alarm.
