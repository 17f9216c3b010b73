#include "display/framebuffer.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "display/screenshot.h"
#include "platform/board.h"
#include "platform/log.h"
#include "platform/paths.h"

using platform::kErr;
using platform::kInfo;

namespace {

unsigned pixelSizeFor(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 4:
    case 8:
      return 1;
    case 5:
    case 15:
    case 16:
      return 2;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      return 0;
  }
}

// In the sandbox the screenshot saves what this display shows; on the board
// fbgrab reads the device itself.
void answerScreenshots(FrameBuffer* fb) {
  platform::setSandboxAnswer(platform::BoardAction::GrabScreenshot, [fb](const platform::BoardCall& call) {
    // Copy what the display shows, then encode outside the lock.
    std::vector<uint8_t> screen;
    {
      std::lock_guard lock(fb->drawLock);
      screen.assign(fb->screenMem, fb->screenMem + fb->memSize);
    }
    const bool ok =
        SaveFramebufferPng(screen.data(), fb->xSize, fb->ySize, static_cast<int>(fb->pixelSize), call.argument);
    return platform::BoardResult{ok ? 0 : 1, {}};
  });
}

}  // namespace

FrameBuffer* fbInit() {
  platform::hideConsoleCursor();
  auto* fb = new (std::nothrow) FrameBuffer{};
  if (!fb) {
    platform::sysLog(kErr, "Unable to allocate framebuffer structure");
    return nullptr;
  }
  if (!platform::fbdevOpen(fb->device)) {
    platform::sysLog(kErr, "Unable to read framebuffer device: /dev/fb0\n");
    delete fb;
    return nullptr;
  }
  platform::FbGeometry g;
  if (!platform::fbdevGetGeometry(fb->device, g)) {
    platform::sysLog(kErr, "Unable to read screen info.\n");
    platform::sysLog(kErr, "Do you have read+write privilages to /dev/fb0?\n");
    platform::fbdevClose(fb->device);
    delete fb;
    return nullptr;
  }
  if (!platform::fbdevResetOffsets(fb->device)) {
    platform::sysLog(kErr, "Unable to change screen data\n");
    platform::sysLog(kErr, "Do you have write privilages to /dev/fb0?\n");
    platform::sysLog(kErr, "Does your video card support double buffering?\n");
    platform::fbdevClose(fb->device);
    delete fb;
    return nullptr;
  }
  unsigned pixelSize = pixelSizeFor(g.bitsPerPixel);
  if (pixelSize == 0) {
    platform::sysLog(kErr, "Unknown pixel format");
    platform::fbdevClose(fb->device);
    delete fb;
    return nullptr;
  }
  platform::sysLog(kInfo, "Pixel size =%d", pixelSize);
  unsigned memSize = static_cast<unsigned>(g.xres) * g.yres * g.bitsPerPixel / 8;
  void* screen = platform::fbdevMap(fb->device, memSize);
  if (!screen) {
    platform::sysLog(kErr, "Unable to map shared memory\n");
    platform::sysLog(kErr, "Make sure, that you have compiled shared memory support into your kernel.\n");
    platform::fbdevClose(fb->device);
    delete fb;
    return nullptr;
  }
  fb->xSize = g.xres;
  fb->ySize = g.yres;
  fb->memSize = memSize;
  fb->pixelSize = pixelSize;
  fb->lineSize = g.xres * pixelSize;
  fb->screenMem = static_cast<uint8_t*>(screen);
  fb->drawMem = static_cast<uint8_t*>(std::calloc(memSize, 1));
  fb->backMem = static_cast<uint8_t*>(std::calloc(memSize, 1));
  if (!fb->drawMem || !fb->backMem) {
    platform::sysLog(kErr, "Unable to allocate framebuffer structure");
    std::free(fb->drawMem);
    std::free(fb->backMem);
    platform::fbdevClose(fb->device);
    delete fb;
    return nullptr;
  }
  platform::sysLog(kInfo, "Screen Size x: %d, y: %d, Pixel Size %d Line size: %d, Mem size: %d\n", fb->xSize, fb->ySize,
                   fb->pixelSize, fb->lineSize, fb->memSize);
  // In the sandbox the screenshot command saves this display.
  if (platform::sandboxed()) answerScreenshots(fb);
  return fb;
}

void fbRealize(FrameBuffer* fb) {
  std::lock_guard lock(fb->drawLock);
  std::memcpy(fb->screenMem, fb->drawMem, fb->memSize);
}

void fbSetBack(FrameBuffer* fb) {
  std::lock_guard lock(fb->drawLock);
  std::memcpy(fb->drawMem, fb->backMem, fb->memSize);
}

void fbClose(FrameBuffer* fb) {
  if (!fb) return;
  if (platform::sandboxed()) platform::setSandboxAnswer(platform::BoardAction::GrabScreenshot, nullptr);
  if (fb->screenMem) platform::fbdevUnmap(fb->screenMem, fb->memSize);
  std::free(fb->drawMem);
  std::free(fb->backMem);
  platform::fbdevClose(fb->device);
  delete fb;
}
