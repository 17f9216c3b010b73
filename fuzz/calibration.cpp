// Fuzz target for the touch calibration reader ("/etc/calibrazione"): any
// bytes are taken or refused without a trap; a calibration taken maps every
// reading, however extreme, onto the screen.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "display/touch_calibration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  const std::optional<TouchCalibration> cal = ParseCalibration(bytes, error);
  if (cal.has_value() == !error.empty()) std::abort();
  if (cal && (size != kCalibrationBytes || cal->divider == 0)) std::abort();
  for (int rx : {0, 1, 280, 2048, 4095, 65535})
    for (int ry : {0, 250, 4095, 65535}) {
      const TouchPoint p = MapSpiReading(cal, rx, ry);
      if (p.x < 0 || p.x > kTouchWidth || p.y < 0 || p.y > kTouchHeight) std::abort();
    }
  return 0;
}
