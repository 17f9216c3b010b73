#pragma once
// Checksum of the amplifier link: CRC-8/MAXIM (Dallas 1-Wire), reflected
// polynomial 0x8C, initial value 0, no final inversion. "123456789" gives 0xA1.
#include <cstddef>
#include <cstdint>

uint8_t Sys_Crc8Calculation(const void* data, size_t length);
