// The generated background pictures: scale marks where the needles point, and
// the files the build writes load as the program's pictures.
#include "display/pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "display/memory_framebuffer.h"
#include "display/needle_geometry.h"
#include "display/png.h"
#include "display_helpers.h"
#include "platform/paths.h"
#include "state/works.h"

namespace {

class PicturesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::setRoot("");
    ASSERT_TRUE(LoadPictureFonts("/usr/share/fonts/truetype"));
  }
  static int luminance(Pixel p) { return (p.r * 3 + p.g * 6 + p.b) / 10; }
  Pixel at(double x, double y) {
    return pixelAt(fb_->drawMem, fb_.get(), static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
  }
  // The needle the meter screen draws for reading v on full scale n runs from
  // the pivot to the truncated tip; its outer part must lie on the mark.
  void expectMarkUnderNeedle(int cx, double v, double n) {
    const double theta = needle::angle(v, n);
    const int tx = static_cast<int>(needle::tipX(cx, theta)),
              ty = static_cast<int>(needle::tipY(needle::kPivotY, theta));
    for (double t = 0.90; t <= 0.985; t += 0.01) {
      const double x = cx + t * (tx - cx), y = needle::kPivotY + t * (ty - needle::kPivotY);
      EXPECT_LT(luminance(at(x, y)), 140) << "reading " << v << "/" << n << " at t=" << t;
    }
    // Beside the mark, the panel shows: the mark is not just a wide smear.
    const double nx = std::cos(theta), ny = -std::sin(theta);  // across the needle
    for (double side : {-5.0, 5.0}) {
      const double x = cx + 0.97 * (tx - cx) + side * nx,
                   y = needle::kPivotY + 0.97 * (ty - needle::kPivotY) + side * ny;
      EXPECT_GT(luminance(at(x, y)), 170) << "beside reading " << v << "/" << n;
    }
  }
  MemoryFrameBuffer fb_{800, 480};
};

TEST_F(PicturesTest, PowerScaleMarksLieOnTheNeedleLines) {
  struct Face {
    int forwardFullScale;
    int forwardStep;
  } faces[] = {{60, 10}, {120, 20}};
  for (const Face& f : faces) {
    DrawMeterFace(fb_.get(), f.forwardFullScale, false);
    for (int v = 0; v <= f.forwardFullScale; v += f.forwardStep)
      expectMarkUnderNeedle(needle::kForwardPivotX, v, f.forwardFullScale);
    for (int v = 0; v <= 60; v += 10) expectMarkUnderNeedle(needle::kSecondPivotX, v, 60);
    // Every number is printed beyond its mark, the first one included.
    for (double v : {0.0, f.forwardFullScale / 2.0, double(f.forwardFullScale)}) {
      const double th = needle::angle(v, f.forwardFullScale);
      int dark = 0;
      for (int dy = -12; dy <= 4; ++dy)
        for (int dx = -16; dx <= 16; ++dx)
          dark += luminance(at(needle::alongX(210, th, 1.105) + dx, needle::alongY(260, th, 1.105) + dy)) < 100;
      EXPECT_GT(dark, 15) << "number for " << v << "/" << f.forwardFullScale;
    }
  }
}

TEST_F(PicturesTest, SwrScaleMarksSitAtTheConversionTablePositions) {
  DrawMeterFace(fb_.get(), 60, true);
  // SWR 1, 1.5, 2, 3, 5, 10 and infinity.
  for (double pos : {0.0, 11.0, 20.0, 30.0, 40.0, 50.0, 60.0}) expectMarkUnderNeedle(needle::kSecondPivotX, pos, 60);
  // The danger zone starts at SWR 3: red just inside the scale past position 30, not before.
  auto zone = [&](double pos) {
    const double th = needle::angle(pos, 60);
    return at(needle::alongX(590, th, 0.835), needle::alongY(260, th, 0.835));
  };
  EXPECT_GT(zone(45).r, zone(45).g + 80);
  EXPECT_LT(std::abs(zone(20).r - zone(20).g), 40);
}

TEST_F(PicturesTest, ScreenAreasTheProgramWritesOnStayPlain) {
  for (const char* name : kPictureNames) {
    ASSERT_TRUE(DrawPicture(name, fb_.get()));
    // The button bar rows and the error-key row are dark under every picture.
    for (int y : {372, 420, 470})
      for (int x = 0; x < 800; x += 40) EXPECT_LT(luminance(at(x, y)), 60) << name << " " << x << "," << y;
  }
  EXPECT_FALSE(DrawPicture("nothing", fb_.get()));
  // The splash leaves the message rows dark for its white texts.
  DrawPicture("start120", fb_.get());
  for (int y : {285, 300, 385, 400})
    for (int x = 100; x < 700; x += 20) EXPECT_LT(luminance(at(x, y)), 60) << x << "," << y;
}

TEST_F(PicturesTest, BuiltPicturesLoadAsTheProgramsBackgrounds) {
  const std::filesystem::path dir = HFAMP_BINARY_DIR;
  if (!std::filesystem::exists(dir / "img1.png")) GTEST_SKIP() << "pictures not built in " << dir;
  auto works = std::make_unique<Works>();
  works->fb = fb_.get();
  for (const char* name : kPictureNames) {
    FILE* f = std::fopen((dir / (std::string(name) + ".png")).c_str(), "rb");
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(loadPngStream(f, name, works.get(), 1), 0) << name;
    std::fclose(f);
  }
}

}  // namespace
