#pragma once
// The BCM283x GPIO register block: one 4096-byte page of 32-bit registers.
//
// On the board it is mapped from "/dev/gpiomem" (no root needed), or from
// "/dev/mem" at the GPIO block's physical address when gpiomem is missing. Both
// are mapped only on a BCM283x board: on any other machine the mapping is
// refused with a clear message, so the board profile can never poke a PC's
// physical memory.
//
// In the sandbox (`--root DIR`) the block is the ordinary file DIR/dev/gpiomem,
// mapped shared, so other processes (the simulated front panel, the bench, a
// test) see the program's outputs and drive its inputs through it:
//   - registers at their byte offsets, 32-bit little-endian;
//   - buttons 1..6 are GPLEV0 bits 22..27, 1 = released, 0 = pressed;
//   - a missing file is created with those six bits at 1 and everything else 0;
//   - whoever changes GPLEV0 does so with fetchAnd / fetchOr, because several
//     processes modify that word at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Register byte offsets in the block.
enum class GpioReg : uint32_t {
  GPFSEL0 = 0x00,  // function select, GPIO 0-9
  GPFSEL1 = 0x04,  // GPIO 10-19
  GPFSEL2 = 0x08,  // GPIO 20-29
  GPSET0 = 0x1C,   // output set
  GPCLR0 = 0x28,   // output clear
  GPLEV0 = 0x34,   // pin levels
  GPPUD = 0x94,    // pull-up/down control
  GPPUDCLK0 = 0x98,
};

inline constexpr size_t kGpioBlockBytes = 4096;
// GPLEV0 bits of the six front-panel buttons (GPIO 22-27).
inline constexpr int kFirstButtonGpio = 22;
inline constexpr uint32_t kButtonLevelBits = 0x0FC00000;

// Function-select values of one pin (three bits in GPFSELn).
inline constexpr uint32_t kGpioInput = 0, kGpioOutput = 1;
// The GPFSEL register and bit shift of a pin's function field.
constexpr GpioReg gpioFselReg(int gpio) { return static_cast<GpioReg>(uint32_t(gpio / 10) * 4); }
constexpr int gpioFselShift(int gpio) { return (gpio % 10) * 3; }

class GpioBlock {
 public:
  enum class Failure { None, Refused, Open, Map };

  ~GpioBlock();
  GpioBlock(const GpioBlock&) = delete;
  GpioBlock& operator=(const GpioBlock&) = delete;

  uint32_t read(GpioReg reg) const;
  void write(GpioReg reg, uint32_t value);
  // Atomic read-modify-write for words other processes change too (GPLEV0 in
  // the sandbox); they return the old value. On the board the registers are
  // device memory without exclusive access, and this process is their only
  // writer, so there they are a plain read and write.
  uint32_t fetchAnd(GpioReg reg, uint32_t mask);
  uint32_t fetchOr(GpioReg reg, uint32_t mask);
  // Sets a pin's function (kGpioInput, kGpioOutput); the other pins keep theirs.
  void setFunction(int gpio, uint32_t function);
  uint32_t function(int gpio) const;

  // True for the sandbox file, false for the board's registers.
  bool fileBacked() const { return fileBacked_; }

 private:
  friend std::unique_ptr<GpioBlock> mapGpioRegisters(std::string&, GpioBlock::Failure*);
  friend std::unique_ptr<GpioBlock> mapGpioFile(const std::string&, std::string&);
  GpioBlock(void* base, bool fileBacked) : base_(base), fileBacked_(fileBacked) {}
  uint32_t* word(GpioReg reg) const;

  void* base_;
  bool fileBacked_;
};

// The physical base of the board's peripherals from the bytes of
// "/proc/device-tree/soc/ranges" (big-endian cells: child address, then the
// parent address in one cell, or in two on the BCM2711); the BCM2836/7 base
// 0x3F000000 when they say nothing.
uint64_t peripheralBaseFromRanges(const unsigned char* ranges, size_t size);
// True when the machine identifies itself as a BCM283x (Raspberry Pi class) board.
bool isBcm283xBoard();
// The program's block: DIR/dev/gpiomem in the sandbox (created when missing),
// the board's registers otherwise. nullptr with `error` (and `failure`) filled
// in when it cannot or must not be mapped.
std::unique_ptr<GpioBlock> mapGpioRegisters(std::string& error, GpioBlock::Failure* failure = nullptr);
// A sandbox register file by host path, created with the buttons released when
// missing. For the simulated front panel and tests, which run outside the
// program's own root.
std::unique_ptr<GpioBlock> mapGpioFile(const std::string& hostPath, std::string& error);

}  // namespace platform
