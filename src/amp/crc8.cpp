#include "amp/crc8.h"

uint8_t Sys_Crc8Calculation(const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  uint8_t crc = 0;
  for (size_t i = 0; i < length; ++i) {
    uint8_t byte = p[i];
    for (int bit = 0; bit < 8; ++bit) {
      bool mix = (byte ^ crc) & 1;
      crc >>= 1;
      if (mix) crc ^= 0x8C;
      byte >>= 1;
    }
  }
  return crc;
}
