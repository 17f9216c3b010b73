#include "display/touch_calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/files.h"
#include "platform/log.h"

namespace {

int64_t littleEndian64(const char* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(p[i]);
  return static_cast<int64_t>(v);
}

// One axis, clamped to the screen. Coefficients of any size from the file
// must neither overflow nor trap, and 32-bit boards have no 128-bit integers:
// the usual sums are exact in 64 bits, and only a sum that would overflow is
// taken in floating point, where its precision no longer matters once clamped.
int axis(int64_t k1, int64_t k2, int64_t k3, int64_t divider, int rx, int ry, int limit) {
  int64_t a = 0, b = 0, sum = 0;
  bool wide = __builtin_mul_overflow(k1, int64_t{rx}, &a);
  wide |= __builtin_mul_overflow(k2, int64_t{ry}, &b);
  wide |= __builtin_add_overflow(a, b, &sum);
  wide |= __builtin_add_overflow(sum, k3, &sum);
  if (wide || (sum == INT64_MIN && divider == -1)) {
    const long double q = (static_cast<long double>(k1) * rx + static_cast<long double>(k2) * ry + k3) / divider;
    return static_cast<int>(std::clamp<long double>(q, 0, limit));
  }
  return static_cast<int>(std::clamp<int64_t>(sum / divider, 0, limit));  // truncates toward zero
}

}  // namespace

std::optional<TouchCalibration> ParseCalibration(std::string_view bytes, std::string& error) {
  if (bytes.size() != kCalibrationBytes) {
    error = "not enough data (" + std::to_string(bytes.size()) + ") reading etc/calibrazione (" +
            std::to_string(kCalibrationBytes) + ")";
    if (bytes.size() > kCalibrationBytes) error = "too much data (" + std::to_string(bytes.size()) + ") reading etc/calibrazione (56)";
    return std::nullopt;
  }
  TouchCalibration c;
  int64_t* fields[] = {&c.a, &c.b, &c.c, &c.d, &c.e, &c.f, &c.divider};
  for (int i = 0; i < 7; ++i) *fields[i] = littleEndian64(bytes.data() + 8 * i);
  if (c.divider == 0) {
    error = "etc/calibrazione has a zero divider";
    return std::nullopt;
  }
  return c;
}

std::optional<TouchCalibration> ReadCalibration() {
  const std::optional<std::string> bytes = platform::readFile(kCalibrationPath);
  if (!bytes) {
    platform::sysLog(platform::kErr, "can't open etc/calibrazione");
    return std::nullopt;
  }
  std::string error;
  std::optional<TouchCalibration> c = ParseCalibration(*bytes, error);
  if (!c) {
    platform::sysLog(platform::kErr, "%s: using the fixed factors", error.c_str());
    return std::nullopt;
  }
  platform::sysLog(platform::kInfo, "A=%7lld B=%7lld C=%7lld D=%7lld E=%7lld F=%7lld DIvider=%7lld \n",
                   static_cast<long long>(c->a), static_cast<long long>(c->b), static_cast<long long>(c->c),
                   static_cast<long long>(c->d), static_cast<long long>(c->e), static_cast<long long>(c->f),
                   static_cast<long long>(c->divider));
  return c;
}

TouchPoint MapSpiReading(const std::optional<TouchCalibration>& cal, int rx, int ry) {
  if (cal)
    return {axis(cal->a, cal->b, cal->c, cal->divider, rx, ry, kTouchWidth),
            axis(cal->d, cal->e, cal->f, cal->divider, rx, ry, kTouchHeight)};
  const int x = static_cast<int>(std::trunc((rx - 280) / 4.48));
  const int y = kTouchHeight - static_cast<int>(std::trunc((ry - 250) / 6.66));
  return {std::clamp(x, 0, kTouchWidth), std::clamp(y, 0, kTouchHeight)};
}

TouchPoint MapUsbReading(int rx, int ry) {
  rx = std::clamp(rx, 0, 65535);
  ry = std::clamp(ry, 0, 65535);
  return {std::min(rx * kTouchWidth / 4095, kTouchWidth), std::min(ry * kTouchHeight / 4095, kTouchHeight)};
}
