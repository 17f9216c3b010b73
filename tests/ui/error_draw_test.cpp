#include "ui/error_draw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "amp/errors.h"
#include "display/memory_framebuffer.h"
#include "display/text.h"
#include "display_helpers.h"
#include "sandbox_fixture.h"
#include "state/works.h"

namespace {

class ErrorDrawTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    loadProgramFonts();
    works_->fb = fb_.get();
    works_->errorsMuted = 0;
  }
  Pixel at(int x, int y) { return pixelAt(fb_->drawMem, fb_.get(), x, y); }
  // The key colour of the column range starting at x0, sampled inside the key
  // away from its text.
  Pixel keyColour(int x0) { return at(x0 + 110, 372); }

  MemoryFrameBuffer fb_{800, 480};
  std::unique_ptr<Works> works_ = std::make_unique<Works>();
};

constexpr Pixel kOrange{250, 150, 0}, kRed{255, 30, 0}, kBlack{0, 0, 0}, kWhite{255, 255, 255};
constexpr int kKeyStarts[] = {5, 133, 266, 399, 532, 665};

TEST_F(ErrorDrawTest, KeyColoursFrameAndText) {
  DrawTastoErrore(works_.get(), 5, 130, 1);  // HI SWR: alarm, red
  EXPECT_EQ(keyColour(5), kRed);
  EXPECT_EQ(at(5, 370), kWhite);  // frame corners
  EXPECT_EQ(at(130, 415), kWhite);
  EXPECT_EQ(at(60, 369), kBlack);               // nothing above the key
  DrawTastoErrore(works_.get(), 133, 263, 12);  // Auto Tune timeout: orange
  EXPECT_EQ(keyColour(133), kOrange);
  // Both text lines are drawn: light pixels near each baseline inside the key.
  auto lightRows = [&](int x0, int y0, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0 + 4; x < x0 + 100; ++x) n += at(x, y).r >= 250 && at(x, y).g >= 200;
    return n;
  };
  EXPECT_GT(lightRows(133, 376, 390), 10);
  EXPECT_GT(lightRows(133, 396, 410), 10);
}

TEST_F(ErrorDrawTest, ShowsTheOldestSixOrTheNewestSix) {
  // Codes 5, 6, 7 are orange; 1 and 2 are red alarms.
  for (int code : {1, 5, 6}) AddErrore(works_.get(), code);
  DrawError(works_.get());
  EXPECT_EQ(keyColour(kKeyStarts[0]), kRed);
  EXPECT_EQ(keyColour(kKeyStarts[1]), kOrange);
  EXPECT_EQ(keyColour(kKeyStarts[2]), kOrange);
  EXPECT_EQ(keyColour(kKeyStarts[3]), kBlack);

  // Eight errors: the oldest two (1 and 5) are not drawn; 2 (red) comes first.
  for (int code : {2, 7, 8, 9, 10}) AddErrore(works_.get(), code);
  std::memset(fb_->drawMem, 0, fb_->memSize);
  DrawError(works_.get());
  const Pixel expected[] = {kOrange, kRed, kOrange, kOrange, kOrange, kOrange};  // 6, 2, 7, 8, 9, 10
  for (int i = 0; i < 6; ++i) EXPECT_EQ(keyColour(kKeyStarts[i]), expected[i]) << "key " << i;
}

TEST_F(ErrorDrawTest, NothingWhileAStatusScreenIsShownOrNoError) {
  DrawError(works_.get());
  works_->statusView = 1;
  AddErrore(works_.get(), 1);
  DrawError(works_.get());
  for (int x0 : kKeyStarts) EXPECT_EQ(keyColour(x0), kBlack);
}

}  // namespace
