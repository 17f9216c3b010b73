// The framebuffer and its primitives at both pixel depths the display runs at.
#include "display/draw.h"

#include <gtest/gtest.h>

#include <cstring>

#include "display/framebuffer.h"
#include "display_helpers.h"
#include "sandbox_fixture.h"

namespace {

class DrawTest : public SandboxTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    writeHost("/dev/fb0.info", "800 480 " + std::to_string(GetParam()));
    fb_ = fbInit();
    ASSERT_NE(fb_, nullptr);
  }
  void TearDown() override {
    fbClose(fb_);
    SandboxTest::TearDown();
  }
  // Number of pixels of the draw buffer that are not all zero.
  int inked() const {
    int n = 0;
    for (unsigned o = 0; o < fb_->memSize; o += fb_->pixelSize) {
      bool set = false;
      for (unsigned k = 0; k < fb_->pixelSize; ++k) set |= fb_->drawMem[o + k] != 0;
      n += set;
    }
    return n;
  }
  bool isSet(int x, int y) const {
    const uint8_t* p = fb_->drawMem + y * fb_->lineSize + x * fb_->pixelSize;
    for (unsigned k = 0; k < fb_->pixelSize; ++k)
      if (p[k]) return true;
    return false;
  }
  FrameBuffer* fb_ = nullptr;
};

TEST_P(DrawTest, GeometryFollowsTheDisplay) {
  EXPECT_EQ(fb_->pixelSize, static_cast<unsigned>(GetParam() / 8));
  EXPECT_EQ(fb_->lineSize, 800u * fb_->pixelSize);
  EXPECT_EQ(fb_->memSize, 800u * 480 * fb_->pixelSize);
}

TEST_P(DrawTest, LineEnds) {
  DrawLine(5, 5, 5, 5, 255, 255, 255, fb_, 0);
  EXPECT_EQ(inked(), 0);  // coinciding ends draw nothing
  DrawLine(0, 0, 3, 0, 255, 255, 255, fb_, 0);
  EXPECT_EQ(inked(), 4);
  for (int x = 0; x < 4; ++x) EXPECT_TRUE(isSet(x, 0));
  std::memset(fb_->drawMem, 0, fb_->memSize);
  DrawLine(10, 10, 13, 20, 255, 255, 255, fb_, 0);  // steep: one pixel per row, both ends
  EXPECT_EQ(inked(), 11);
  EXPECT_TRUE(isSet(10, 10));
  EXPECT_TRUE(isSet(13, 20));
}

TEST_P(DrawTest, HorizontalLineStopsBeforeItsEnd) {
  DrawHorizontalLine(10, 7, 10, 255, 255, 255, fb_, 0);
  EXPECT_EQ(inked(), 0);
  DrawHorizontalLine(10, 7, 12, 255, 255, 255, fb_, 0);
  EXPECT_EQ(inked(), 2);
  EXPECT_TRUE(isSet(10, 7));
  EXPECT_TRUE(isSet(11, 7));
}

TEST_P(DrawTest, PixelEncoding) {
  DrawHorizontalLine(0, 0, 1, 255, 255, 255, fb_, 0);
  DrawHorizontalLine(1, 0, 2, 255, 0, 0, fb_, 0);
  const uint8_t* p = fb_->drawMem;
  if (fb_->pixelSize == 2) {
    EXPECT_EQ(p[0], 0xFF);
    EXPECT_EQ(p[1], 0xFF);
    EXPECT_EQ(p[2], 0x00);
    EXPECT_EQ(p[3], 0xF8);
  } else {
    const uint8_t white[] = {255, 255, 255, 0}, red[] = {0, 0, 255, 0};
    EXPECT_EQ(std::memcmp(p, white, 4), 0);
    EXPECT_EQ(std::memcmp(p + 4, red, 4), 0);
  }
}

TEST_P(DrawTest, LineOffTheBottomDoesNotWrap) {
  DrawLine(100, 470, 100, 600, 255, 255, 255, fb_, 0);
  EXPECT_EQ(inked(), 10);  // rows 470..479 only
  for (int x = 0; x < 800; ++x) EXPECT_FALSE(isSet(x, 0));
  DrawLine(100, -50, 100, -1, 255, 255, 255, fb_, 0);  // above the top: nothing
  EXPECT_EQ(inked(), 10);
}

TEST_P(DrawTest, BackgroundSelectorAndScreenCopies) {
  DrawLine(0, 1, 9, 1, 255, 255, 255, fb_, 1);
  EXPECT_EQ(inked(), 0);
  fbSetBack(fb_);
  EXPECT_EQ(inked(), 10);
  fbRealize(fb_);
  EXPECT_EQ(std::memcmp(fb_->screenMem, fb_->drawMem, fb_->memSize), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawTest, ::testing::Values(16, 32),
                         [](const auto& info) { return std::to_string(info.param) + "bpp"; });

class FbInitTest : public SandboxTest {};

TEST_F(FbInitTest, UnknownDepthIsRefused) {
  writeHost("/dev/fb0.info", "800 480 12");
  LogCapture log;
  EXPECT_EQ(fbInit(), nullptr);
  EXPECT_TRUE(log.contains("Unknown pixel format"));
}

}  // namespace
