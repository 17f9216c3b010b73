#include "platform/fbdev.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/paths.h"

namespace platform {
namespace {

const char* kDevice = "/dev/fb0";

FbGeometry sandboxGeometry() {
  FbGeometry g{800, 480, 32};
  if (FILE* f = openFile("/dev/fb0.info", "r")) {
    FbGeometry read{};
    if (std::fscanf(f, "%d %d %d", &read.xres, &read.yres, &read.bitsPerPixel) == 3 && read.xres > 0 && read.yres > 0 &&
        read.bitsPerPixel > 0)
      g = read;
    std::fclose(f);
  }
  return g;
}

}  // namespace

bool fbdevOpen(FbDevice& dev) {
  if (sandboxed()) {
    makeParentDirs(kDevice);
    dev.fd = ::open(hostPath(kDevice).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    dev.regularFile = true;
  } else {
    dev.fd = ::open(kDevice, O_RDWR | O_CLOEXEC);
  }
  return dev.fd >= 0;
}

bool fbdevGetGeometry(FbDevice& dev, FbGeometry& geometry) {
  if (dev.regularFile) {
    geometry = sandboxGeometry();
    return true;
  }
  fb_var_screeninfo info{};
  if (::ioctl(dev.fd, FBIOGET_VSCREENINFO, &info) != 0) return false;
  geometry = {static_cast<int>(info.xres), static_cast<int>(info.yres), static_cast<int>(info.bits_per_pixel)};
  return true;
}

bool fbdevResetOffsets(FbDevice& dev) {
  if (dev.regularFile) return true;
  fb_var_screeninfo info{};
  if (::ioctl(dev.fd, FBIOGET_VSCREENINFO, &info) != 0) return false;
  info.xoffset = 0;
  info.yoffset = 0;
  return ::ioctl(dev.fd, FBIOPUT_VSCREENINFO, &info) == 0;
}

void* fbdevMap(FbDevice& dev, size_t bytes) {
  if (dev.regularFile) {
    struct stat st {};
    if (::fstat(dev.fd, &st) != 0) return nullptr;
    if (static_cast<size_t>(st.st_size) != bytes && ::ftruncate(dev.fd, static_cast<off_t>(bytes)) != 0) return nullptr;
  }
  void* mem = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, dev.fd, 0);
  return mem == MAP_FAILED ? nullptr : mem;
}

void fbdevUnmap(void* mem, size_t bytes) { ::munmap(mem, bytes); }

void fbdevClose(FbDevice& dev) {
  if (dev.fd >= 0) ::close(dev.fd);
  dev.fd = -1;
}

}  // namespace platform
