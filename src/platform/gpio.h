#pragma once
// The BCM283x GPIO register block. It is mapped through "/dev/mem" only on such
// a board; on any other machine the mapping is refused with a clear message,
// so the board profile can never poke a PC's physical memory.
#include <cstdint>
#include <string>

namespace platform {

// True when the machine identifies itself as a BCM283x (Raspberry Pi class) board.
bool isBcm283xBoard();
// Maps the GPIO block; nullptr with `error` filled in when it cannot or must not.
volatile uint32_t* mapGpioRegisters(std::string& error);

}  // namespace platform
