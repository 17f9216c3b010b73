#include "platform/gpio.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/paths.h"

namespace platform {
namespace {

bool fileMentions(const char* path, const char* word) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  return text.str().find(word) != std::string::npos;
}

// The peripheral base of the board, from the device tree ranges.
off_t peripheralBase() {
  std::ifstream in("/proc/device-tree/soc/ranges", std::ios::binary);
  unsigned char b[8] = {};
  if (in.read(reinterpret_cast<char*>(b), 8)) {
    uint32_t base = (uint32_t(b[4]) << 24) | (uint32_t(b[5]) << 16) | (uint32_t(b[6]) << 8) | b[7];
    if (base != 0) return static_cast<off_t>(base);
  }
  return 0x20000000;  // BCM2835
}

}  // namespace

bool isBcm283xBoard() {
  return fileMentions("/proc/device-tree/compatible", "brcm,bcm283") ||
         fileMentions("/proc/device-tree/compatible", "brcm,bcm2711") || fileMentions("/proc/cpuinfo", "BCM283");
}

volatile uint32_t* mapGpioRegisters(std::string& error) {
  if (sandboxed()) {
    error = "GPIO: the sandbox has no register block; the front panel is simulated";
    return nullptr;
  }
  if (!isBcm283xBoard()) {
    error = "GPIO: this machine is not a BCM283x board; refusing to map /dev/mem";
    return nullptr;
  }
  int fd = ::open("/dev/mem", O_RDWR | O_SYNC | O_CLOEXEC);
  if (fd < 0) {
    error = "GPIO: can't open /dev/mem";
    return nullptr;
  }
  void* mem = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, peripheralBase() + 0x200000);
  ::close(fd);
  if (mem == MAP_FAILED) {
    error = "GPIO: mmap of the register block failed";
    return nullptr;
  }
  return static_cast<volatile uint32_t*>(mem);
}

}  // namespace platform
