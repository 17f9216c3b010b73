#include "platform/gpio.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/paths.h"

namespace platform {
namespace {

// The register file is little-endian whatever the host; the board's registers
// are native (the ARM board is little-endian too).
constexpr uint32_t swapIfBig(uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) return v;
  return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}

bool fileMentions(const char* path, const char* word) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  return text.str().find(word) != std::string::npos;
}

// The peripheral base of the board, from the device tree ranges; without one,
// the BCM2836/7 base, which puts the GPIO block at 0x3F200000.
uint64_t peripheralBase() {
  std::ifstream in("/proc/device-tree/soc/ranges", std::ios::binary);
  unsigned char b[12] = {};
  in.read(reinterpret_cast<char*>(b), sizeof b);
  return peripheralBaseFromRanges(b, static_cast<size_t>(in.gcount()));
}

constexpr uint64_t kGpioOffsetInPeripherals = 0x200000;

// The BCM2711's GPIO block sits at 0xFE200000: beyond a 32-bit off_t, so the
// platform layer is built with 64-bit file offsets (CMakeLists.txt).
static_assert(sizeof(off_t) == 8, "a 32-bit off_t cannot address the BCM2711's registers");

void* mapShared(int fd, uint64_t offset) {
  void* mem =
      ::mmap(nullptr, kGpioBlockBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(offset));
  return mem == MAP_FAILED ? nullptr : mem;
}

// Creates the register file in one step, so a process opening it at the same
// moment never sees a half-written page (all buttons pressed): the page is
// written under a temporary name and linked into place; if another process
// got there first its file stays.
bool createRegisterFile(const std::string& path, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::string tmpl = path + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = "GPIO: can't create " + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<unsigned char> page(kGpioBlockBytes, 0);
  const uint32_t levels = swapIfBig(kButtonLevelBits);
  std::memcpy(&page[static_cast<size_t>(GpioReg::GPLEV0)], &levels, sizeof levels);
  bool ok = ::write(fd, page.data(), page.size()) == static_cast<ssize_t>(page.size());
  ::close(fd);
  if (ok && ::link(name.data(), path.c_str()) != 0 && errno != EEXIST) ok = false;
  if (!ok) error = "GPIO: can't create " + path + ": " + std::strerror(errno);
  ::unlink(name.data());
  return ok;
}

}  // namespace

uint64_t peripheralBaseFromRanges(const unsigned char* ranges, size_t size) {
  auto cell = [&](size_t at) {
    return (uint32_t(ranges[at]) << 24) | (uint32_t(ranges[at + 1]) << 16) | (uint32_t(ranges[at + 2]) << 8) |
           ranges[at + 3];
  };
  if (size >= 8 && cell(4) != 0) return cell(4);
  // The BCM2711 gives its parent address in two cells, the high one zero.
  if (size >= 12 && cell(4) == 0 && cell(8) != 0) return cell(8);
  return 0x3F000000;
}

GpioBlock::~GpioBlock() { ::munmap(base_, kGpioBlockBytes); }

uint32_t* GpioBlock::word(GpioReg reg) const {
  return reinterpret_cast<uint32_t*>(static_cast<char*>(base_) + static_cast<uint32_t>(reg));
}

uint32_t GpioBlock::read(GpioReg reg) const {
  if (fileBacked_) return swapIfBig(std::atomic_ref<uint32_t>(*word(reg)).load());
  return *static_cast<volatile uint32_t*>(word(reg));
}

void GpioBlock::write(GpioReg reg, uint32_t value) {
  if (fileBacked_)
    std::atomic_ref<uint32_t>(*word(reg)).store(swapIfBig(value));
  else
    *static_cast<volatile uint32_t*>(word(reg)) = value;
}

uint32_t GpioBlock::fetchAnd(GpioReg reg, uint32_t mask) {
  if (fileBacked_) return swapIfBig(std::atomic_ref<uint32_t>(*word(reg)).fetch_and(swapIfBig(mask)));
  uint32_t old = read(reg);
  write(reg, old & mask);
  return old;
}

uint32_t GpioBlock::fetchOr(GpioReg reg, uint32_t mask) {
  if (fileBacked_) return swapIfBig(std::atomic_ref<uint32_t>(*word(reg)).fetch_or(swapIfBig(mask)));
  uint32_t old = read(reg);
  write(reg, old | mask);
  return old;
}

void GpioBlock::setFunction(int gpio, uint32_t function) {
  const GpioReg reg = gpioFselReg(gpio);
  const int shift = gpioFselShift(gpio);
  write(reg, (read(reg) & ~(7u << shift)) | ((function & 7u) << shift));
}

uint32_t GpioBlock::function(int gpio) const { return (read(gpioFselReg(gpio)) >> gpioFselShift(gpio)) & 7u; }

bool isBcm283xBoard() {
  return fileMentions("/proc/device-tree/compatible", "brcm,bcm283") ||
         fileMentions("/proc/device-tree/compatible", "brcm,bcm2711") || fileMentions("/proc/cpuinfo", "BCM283");
}

std::unique_ptr<GpioBlock> mapGpioFile(const std::string& hostPath, std::string& error) {
  if (::access(hostPath.c_str(), F_OK) != 0 && !createRegisterFile(hostPath, error)) return nullptr;
  int fd = ::open(hostPath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    error = "GPIO: can't open " + hostPath + ": " + std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kGpioBlockBytes)) {
    ::close(fd);
    error = "GPIO: " + hostPath + " is not a 4096-byte register file";
    return nullptr;
  }
  void* mem = mapShared(fd, 0);
  const int mapErrno = errno;
  ::close(fd);
  if (!mem) {
    error = "GPIO: mmap of " + hostPath + " failed: " + std::strerror(mapErrno);
    return nullptr;
  }
  return std::unique_ptr<GpioBlock>(new GpioBlock(mem, true));
}

std::unique_ptr<GpioBlock> mapGpioRegisters(std::string& error, GpioBlock::Failure* failure) {
  GpioBlock::Failure dummy;
  GpioBlock::Failure& why = failure ? *failure : dummy;
  why = GpioBlock::Failure::None;
  if (sandboxed()) {
    auto block = mapGpioFile(hostPath("/dev/gpiomem"), error);
    if (!block) why = GpioBlock::Failure::Open;
    return block;
  }
  if (!isBcm283xBoard()) {
    error = "GPIO: this machine is not a BCM283x board; refusing to map /dev/gpiomem or /dev/mem";
    why = GpioBlock::Failure::Refused;
    return nullptr;
  }
  // gpiomem exposes just the GPIO page, at offset 0, to the gpio group; the
  // whole of /dev/mem needs root.
  uint64_t offset = 0;
  const char* device = "/dev/gpiomem";
  int fd = ::open(device, O_RDWR | O_SYNC | O_CLOEXEC);
  if (fd < 0) {
    device = "/dev/mem";
    offset = peripheralBase() + kGpioOffsetInPeripherals;
    fd = ::open(device, O_RDWR | O_SYNC | O_CLOEXEC);
  }
  if (fd < 0) {
    error = "GPIO: can't open /dev/gpiomem or /dev/mem: " + std::string(std::strerror(errno));
    why = GpioBlock::Failure::Open;
    return nullptr;
  }
  void* mem = mapShared(fd, offset);
  const int mapErrno = errno;
  ::close(fd);
  if (!mem) {
    error = std::string("GPIO: mmap of ") + device + " failed: " + std::strerror(mapErrno);
    errno = mapErrno;
    why = GpioBlock::Failure::Map;
    return nullptr;
  }
  return std::unique_ptr<GpioBlock>(new GpioBlock(mem, false));
}

}  // namespace platform
