#pragma once
// Touch panel readings to screen pixels (800 x 480): the calibration file
// "/etc/calibrazione" (seven signed 64-bit little-endian values A, B, C, D, E,
// F, Divider; x = (A*rx + B*ry + C) / Divider, y = (D*rx + E*ry + F) / Divider),
// or fixed factors without it; and the USB panel's own scale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kCalibrationPath = "/etc/calibrazione";
inline constexpr size_t kCalibrationBytes = 56;
inline constexpr int kTouchWidth = 800, kTouchHeight = 480;

struct TouchCalibration {
  int64_t a, b, c, d, e, f, divider;
};

struct TouchPoint {
  int x, y;
};

// The file's bytes as a calibration; nullopt, with `error` saying why, for a
// file of the wrong size or with a zero divider (which would divide by zero).
std::optional<TouchCalibration> ParseCalibration(std::string_view bytes, std::string& error);
// Reads and logs the calibration file; nullopt (logged) when it is missing,
// of the wrong size or unusable: the fixed factors apply then.
std::optional<TouchCalibration> ReadCalibration();

// A resistive (SPI) panel reading to a pixel, clamped to 0..800 and 0..480.
// The quotient is truncated toward zero; the sums cannot overflow, whatever
// the file holds.
TouchPoint MapSpiReading(const std::optional<TouchCalibration>& cal, int rx, int ry);
// A USB panel reading (0..4095 on both axes) to a pixel.
TouchPoint MapUsbReading(int rx, int ry);
