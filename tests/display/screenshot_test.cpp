#include "display/screenshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/memory_framebuffer.h"
#include "display/png.h"
#include "display_helpers.h"
#include "platform/board.h"
#include "sandbox_fixture.h"
#include "state/works.h"

namespace {

class ScreenshotTest : public SandboxTest {};

// Decodes a PNG file's bytes into a fresh 800 x 480 buffer.
std::unique_ptr<MemoryFrameBuffer> decode(const std::string& png) {
  auto fb = std::make_unique<MemoryFrameBuffer>(800, 480);
  auto works = std::make_unique<Works>();
  works->fb = fb->get();
  FILE* f = fmemopen(const_cast<char*>(png.data()), png.size(), "rb");
  EXPECT_EQ(loadPngStream(f, "shot", works.get(), 1), 0);
  std::fclose(f);
  return fb;
}

TEST_F(ScreenshotTest, ScreenshotSavesTheDisplayInTheSandbox) {
  FrameBuffer* fb = fbInit();
  ASSERT_NE(fb, nullptr);
  FillBox(100, 100, 200, 150, 250, 150, 0, fb, 0);
  DrawLine(0, 479, 799, 479, 0, 200, 255, fb, 0);
  fbRealize(fb);
  EXPECT_EQ(platform::grabScreenshot(), 0);
  auto shot = decode(readHost("/tmp/screen.png"));
  EXPECT_EQ(std::memcmp((*shot)->backMem, fb->screenMem, fb->memSize), 0);
  EXPECT_EQ(pixelAt((*shot)->backMem, shot->get(), 150, 120), (Pixel{250, 150, 0}));
  fbClose(fb);
}

TEST_F(ScreenshotTest, SixteenBitPixelsAreExpanded) {
  const uint8_t pixels[] = {0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00};  // white, red, green, blue
  ASSERT_TRUE(SaveFramebufferPng(pixels, 4, 1, 2, "/tmp/small.png"));
  auto png = readHost("/tmp/small.png");
  ASSERT_GT(png.size(), 8u);
  auto fb = std::make_unique<MemoryFrameBuffer>(4, 1);
  auto works = std::make_unique<Works>();
  works->fb = fb->get();
  FILE* f = fmemopen(png.data(), png.size(), "rb");
  ASSERT_EQ(loadPngStream(f, "small", works.get(), 1), 0);
  std::fclose(f);
  EXPECT_EQ(pixelAt((*fb)->backMem, fb->get(), 0, 0), (Pixel{255, 255, 255}));
  EXPECT_EQ(pixelAt((*fb)->backMem, fb->get(), 1, 0), (Pixel{255, 0, 0}));
  EXPECT_EQ(pixelAt((*fb)->backMem, fb->get(), 2, 0), (Pixel{0, 255, 0}));
  EXPECT_EQ(pixelAt((*fb)->backMem, fb->get(), 3, 0), (Pixel{0, 0, 255}));
  EXPECT_TRUE(EncodeFramebufferPng(pixels, 4, 1, 3).empty());
  EXPECT_TRUE(EncodeFramebufferPng(nullptr, 4, 1, 4).empty());
}

}  // namespace
