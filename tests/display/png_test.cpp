#include "display/png.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "display/memory_framebuffer.h"
#include "display/spectrum_view.h"
#include "display_helpers.h"
#include "sandbox_fixture.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

class PngTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    works_->fb = fb_.get();
    works_->setup = &setup_;
    std::memset(fb_->backMem, 0x11, fb_->memSize);
    std::memset(fb_->drawMem, 0x22, fb_->memSize);
  }
  // Decodes PNG bytes into the background buffer.
  int load(const std::string& png, int toBack = 1) {
    FILE* f = fmemopen(const_cast<char*>(png.data()), png.size(), "rb");
    int rc = loadPngStream(f, "test.png", works_.get(), toBack);
    std::fclose(f);
    return rc;
  }
  bool backUntouched() {
    for (unsigned i = 0; i < fb_->memSize; ++i)
      if (fb_->backMem[i] != 0x11) return false;
    return true;
  }

  MemoryFrameBuffer fb_{800, 480};
  std::unique_ptr<Works> works_ = std::make_unique<Works>();
  SetupRecord setup_{};
};

Pixel gradient(int x, int y) { return {x % 256, y % 256, (x + y) % 256}; }

TEST_F(PngTest, RefusedFormatsAreLoggedAndDrawNothing) {
  struct Case {
    const char* name;
    std::string png;
    const char* message;
  } cases[] = {
      {"16-bit RGBA", makePng(20, 10, 16, PNG_COLOR_TYPE_RGBA, gradient),
       "test.png image has 16 pixels not 4 or color_type is 6 not 6"},
      {"RGB without alpha", makePng(20, 10, 8, PNG_COLOR_TYPE_RGB, gradient),
       "test.png image has 8 pixels not 4 or color_type is 2 not 6"},
      {"one column too wide", makePng(801, 10, 8, PNG_COLOR_TYPE_RGBA, gradient),
       "test.png image has 801 cols not 800"},
      {"one row too tall", makePng(10, 481, 8, PNG_COLOR_TYPE_RGBA, gradient), "test.png image has 481 rows not 480"},
      {"not a PNG", "GIF89a not a picture", "test.png image is not a PNG file"},
      {"signature only", std::string("\x89PNG\r\n\x1a\n", 8), "test.png error during init_io"},
  };
  for (const Case& c : cases) {
    LogCapture log;
    EXPECT_EQ(load(c.png), -1) << c.name;
    EXPECT_TRUE(log.contains(c.message)) << c.name;
    EXPECT_TRUE(backUntouched()) << c.name;
  }
}

TEST_F(PngTest, TruncatedImageDataIsLoggedAndLeavesTheBufferUnchanged) {
  std::string png = makePng(100, 100, 8, PNG_COLOR_TYPE_RGBA, gradient);
  LogCapture log;
  EXPECT_EQ(load(png.substr(0, png.size() / 2)), -1);
  EXPECT_TRUE(log.contains("test.png error during reading image"));
  EXPECT_TRUE(backUntouched());
}

TEST_F(PngTest, SmallPictureOverwritesOnlyItsAreaAtImgXY) {
  works_->imgX = 30;
  works_->imgY = 40;
  ASSERT_EQ(load(makePng(20, 10, 8, PNG_COLOR_TYPE_RGBA, gradient)), 0);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 800; ++x) {
      const uint8_t* p = fb_->backMem + y * fb_->lineSize + x * 4;
      const bool inside = x >= 30 && x < 50 && y >= 40 && y < 50;
      if (inside) {
        Pixel want = gradient(x - 30, y - 40);
        ASSERT_EQ(pixelAt(fb_->backMem, fb_.get(), x, y), want);
        ASSERT_EQ(p[3], 0);
      } else {
        ASSERT_EQ(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24, 0x11111111) << x << "," << y;
      }
    }
}

TEST_F(PngTest, PictureAtTheCornerIsClippedToTheScreen) {
  works_->imgX = 790;
  works_->imgY = 475;
  ASSERT_EQ(load(makePng(20, 10, 8, PNG_COLOR_TYPE_RGBA, gradient)), 0);
  EXPECT_EQ(pixelAt(fb_->backMem, fb_.get(), 799, 479), gradient(9, 4));
  // Nothing wrapped onto the next row's start.
  EXPECT_EQ(fb_->backMem[476 * fb_->lineSize], 0x11);
}

TEST_F(PngTest, DrawBufferTargetIsShownAtOnce) {
  ASSERT_EQ(load(makePng(800, 480, 8, PNG_COLOR_TYPE_RGBA, gradient), 0), 0);
  EXPECT_EQ(pixelAt(fb_->screenMem, fb_.get(), 123, 45), gradient(123, 45));
  EXPECT_TRUE(backUntouched());
}

// getPng and SetWorkImg read "<name>.png" from the working directory.
class PictureFolderTest : public PngTest {
 protected:
  void SetUp() override {
    PngTest::SetUp();
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(root_);
    for (auto [name, colour] : {std::pair{"img1", Pixel{1, 2, 3}},
                                {"img1b", {4, 5, 6}},
                                {"img3", {7, 8, 9}},
                                {"img3b", {10, 11, 12}},
                                {"m5a", {13, 14, 15}}}) {
      std::ofstream(std::string(name) + ".png", std::ios::binary)
          << makePng(800, 480, 8, PNG_COLOR_TYPE_RGBA, [c = colour](int, int) { return c; });
    }
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    PngTest::TearDown();
  }
  std::filesystem::path old_;
};

TEST_F(PictureFolderTest, GetPngOpensTheNameInTheWorkingDirectory) {
  std::snprintf(works_->pngName, sizeof works_->pngName, "img3");
  getPng(works_.get(), 1);
  EXPECT_EQ(pixelAt(fb_->backMem, fb_.get(), 400, 240), (Pixel{7, 8, 9}));
  LogCapture log;
  std::snprintf(works_->pngName, sizeof works_->pngName, "start");
  getPng(works_.get(), 1);
  EXPECT_TRUE(log.contains("start.png image could not be opened"));
  EXPECT_EQ(pixelAt(fb_->backMem, fb_.get(), 400, 240), (Pixel{7, 8, 9}));
}

TEST_F(PictureFolderTest, SetWorkImgPicksThePictureOfThePage) {
  struct Case {
    int page;
    int variant;
    Pixel shown;
    int divX, span, rangeEnd;
  } cases[] = {{1, '0', {1, 2, 3}, 0, 0, 0},         {3, '0', {1, 2, 3}, 0, 0, 0},
               {1, '1', {4, 5, 6}, 0, 0, 0},         {2, '0', {7, 8, 9}, 0, 0, 0},
               {2, '1', {10, 11, 12}, 0, 0, 0},      {4, '0', {13, 14, 15}, 16, 160000, 854},
               {5, '1', {13, 14, 15}, 8, 80000, 427}};
  for (const Case& c : cases) {
    works_->screenPage = c.page;
    works_->ampVariant = c.variant;
    works_->ModeWorkIdx = 0;
    setup_.enaser = '1';
    SetWorkImg(works_.get());
    EXPECT_EQ(pixelAt(fb_->drawMem, fb_.get(), 10, 10), c.shown) << "page " << c.page;
    EXPECT_EQ(setup_.enaser.load(), '0');
    if (c.divX) {
      EXPECT_EQ(divX.load(), c.divX);
      EXPECT_EQ(works_->spanHz.load(), c.span);
      EXPECT_EQ(xRangeEnd.load(), c.rangeEnd);
    }
  }
  // With the external IO link as the frequency source its run flag stays.
  works_->ModeWorkIdx = 1;
  setup_.enaser = '1';
  SetWorkImg(works_.get());
  EXPECT_EQ(setup_.enaser.load(), '1');
}

}  // namespace
