#include "display/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "display/memory_framebuffer.h"
#include "display_helpers.h"
#include "sandbox_fixture.h"

namespace {

class TextTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    loadProgramFonts();
    setTextFastPath(true);
  }
  // Fills the draw buffer with one colour.
  void paint(MemoryFrameBuffer& fb, Pixel c) {
    for (unsigned o = 0; o < fb->memSize; o += 4) {
      fb->drawMem[o] = uint8_t(c.b);
      fb->drawMem[o + 1] = uint8_t(c.g);
      fb->drawMem[o + 2] = uint8_t(c.r);
      fb->drawMem[o + 3] = 0;
    }
  }
  // Rows that differ from the background colour, as [top, bottom].
  std::pair<int, int> inkRows(MemoryFrameBuffer& fb, Pixel background) {
    int top = -1, bottom = -1;
    for (int y = 0; y < fb->ySize; ++y)
      for (int x = 0; x < fb->xSize; ++x)
        if (!(pixelAt(fb->drawMem, fb.get(), x, y) == background)) {
          if (top < 0) top = y;
          bottom = y;
          break;
        }
    return {top, bottom};
  }
};

TEST_F(TextTest, AllElevenSlotsLoadAtTheirSizes) {
  const int expected[kFontSlotCount] = {24, 22, 22, 0, 24, 8, 14, 24, 20, 30, 18, 21};
  for (int slot = 0; slot < 12; ++slot) EXPECT_EQ(fontSlotSize(slot), expected[slot]) << "slot " << slot;
  EXPECT_EQ(fontSlotSize(-1), 0);
  EXPECT_EQ(fontSlotSize(kFontSlotCount), 0);
}

TEST_F(TextTest, MissingFontIsLoggedAndLeavesTheSlotEmpty) {
  LogCapture log;
  TTFLoad("/opt/fonts/none.ttf", 20, 19);
  EXPECT_TRUE(log.contains("FreeType: file error"));
  writeHost("/opt/fonts/junk.ttf", "not a font at all");
  TTFLoad("/opt/fonts/junk.ttf", 20, 19);
  EXPECT_TRUE(log.contains("FreeType: file format not supported"));
  EXPECT_EQ(fontSlotSize(19), 0);
  TTFLoad("/opt/fonts/PTS55F_W.ttf", 20, 20);  // no such slot: refused, not written past the table
  EXPECT_TRUE(log.contains("out of range"));
}

TEST_F(TextTest, FullCoverageTakesTheColourAndZeroCoverageLeavesTheBackground) {
  MemoryFrameBuffer fb(200, 60);
  const Pixel back{10, 200, 90};
  paint(fb, back);
  // A 30-pixel bold I has a solid stem: its centre is full coverage.
  EXPECT_EQ(putString(9, 20, 40, "I", 0x5A, 0xC3, 0x3C, fb.get(), 0, 0, 0, 0), -1);
  int solid = 0, untouched = 0, other = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      Pixel p = pixelAt(fb->drawMem, fb.get(), x, y);
      if (p == Pixel{0x5A, 0xC3, 0x3C})
        ++solid;
      else if (p == back)
        ++untouched;
      else
        ++other;
    }
  EXPECT_GT(solid, 40);
  EXPECT_GT(untouched, 200 * 60 - 200);
  // Edge pixels follow d*(255-a)/255 + (c AND a) for some coverage a.
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      Pixel p = pixelAt(fb->drawMem, fb.get(), x, y);
      if (p == back || p == Pixel{0x5A, 0xC3, 0x3C}) continue;
      bool explained = false;
      for (int a = 1; a < 255 && !explained; ++a)
        explained = p == Pixel{back.r * (255 - a) / 255 + (0x5A & a), back.g * (255 - a) / 255 + (0xC3 & a),
                               back.b * (255 - a) / 255 + (0x3C & a)};
      EXPECT_TRUE(explained) << x << "," << y;
    }
}

TEST_F(TextTest, BaselineAndRowPlacement) {
  MemoryFrameBuffer fb(200, 80);
  paint(fb, {0, 0, 0});
  putString(8, 10, 50, "H", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  auto [top, bottom] = inkRows(fb, {0, 0, 0});
  EXPECT_EQ(bottom, 50);             // the glyph's bottom row is the baseline row
  EXPECT_NEAR(bottom - top, 14, 2);  // cap height of a 20-pixel face
  paint(fb, {0, 0, 0});
  putString(8, 10, 50, "g", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  EXPECT_GT(inkRows(fb, {0, 0, 0}).second, 52);  // descender below the baseline
}

TEST_F(TextTest, StringWidthIsTheSumOfAdvances) {
  EXPECT_EQ(getStringSpace(8, ""), 0);
  const int a = getStringSpace(8, "FORWARD"), b = getStringSpace(8, "REFLECTED");
  EXPECT_GT(a, 60);
  EXPECT_LT(a, 140);
  EXPECT_EQ(getStringSpace(8, "FORWARDREFLECTED"), a + b);
  EXPECT_GT(getStringSpace(9, "FORWARD"), a);  // larger slot, wider text
  EXPECT_EQ(getStringSpace(3, "FORWARD"), 0);  // empty slot
  // An invalid byte is measured as the missing-glyph character.
  EXPECT_GT(getStringSpace(8, "\xFF"), 0);
  // The text ends right where the pen says: a right-aligned label ends at 790.
  MemoryFrameBuffer fb(800, 40);
  paint(fb, {0, 0, 0});
  const int w = getStringSpace(6, "2024-01-01 12:00:00");
  putString(6, 790 - w, 30, "2024-01-01 12:00:00", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  int rightmost = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 800; ++x)
      if (!(pixelAt(fb->drawMem, fb.get(), x, y) == Pixel{0, 0, 0})) rightmost = std::max(rightmost, x);
  EXPECT_NEAR(rightmost, 789, 3);
}

// A background that differs from pixel to pixel, so a blend that reads the
// wrong destination byte shows.
void stripes(MemoryFrameBuffer& fb) {
  for (unsigned o = 0; o < fb->memSize; ++o) fb->drawMem[o] = static_cast<uint8_t>(o * 37 + (o >> 9));
}

// Draws the same labels through the fast path (twice, the second time from the
// cache) and the plain path, and compares every byte of the two buffers.
void expectSamePixels(int width, int height, unsigned shortenBy, const std::vector<std::pair<int, int>>& pens,
                      const char* label) {
  const char* texts[] = {"FORWARD", "14.070MHz",
                         "PA Temp1: 45.0\xC2\xB0"
                         "C",
                         "Err \xE2\x82\xAC\xFF", "gjpqy WM"};
  for (int slot : {0, 1, 2, 4, 6, 9, 11}) {
    MemoryFrameBuffer fast(width, height), plain(width, height);
    // A buffer that ends inside its last row: a pixel counts only if all its bytes fit.
    fast->memSize -= shortenBy;
    plain->memSize -= shortenBy;
    stripes(fast);
    stripes(plain);
    setTextFastPath(true);
    for (int pass = 0; pass < 2; ++pass)
      for (size_t i = 0; i < pens.size(); ++i)
        putString(slot, pens[i].first, pens[i].second, texts[i % 5], 250, 150, 7, fast.get(), 0, 0, 0, 0);
    setTextFastPath(false);
    for (int pass = 0; pass < 2; ++pass)
      for (size_t i = 0; i < pens.size(); ++i)
        putString(slot, pens[i].first, pens[i].second, texts[i % 5], 250, 150, 7, plain.get(), 0, 0, 0, 0);
    setTextFastPath(true);
    const size_t all = static_cast<size_t>(width) * height * 4;
    EXPECT_EQ(std::memcmp(fast->drawMem, plain->drawMem, all), 0) << label << ", slot " << slot;
  }
}

TEST_F(TextTest, FastAndPlainPathsDrawTheSamePixels) {
  expectSamePixels(400, 60, 0, {{5, 40}, {75, 40}, {145, 41}, {215, 40}, {285, 40}}, "inside");
  // Across every edge: left, right, above the first row, below the last.
  expectSamePixels(120, 40, 0, {{-30, 20}, {80, 25}, {10, 6}, {30, 46}, {-2000000, 30}, {60, 2000000}}, "edges");
  expectSamePixels(120, 40, 6, {{40, 44}, {90, 43}, {-8, 41}, {100, 46}, {5, 39}}, "partial last row");
}

TEST_F(TextTest, TextOffTheBufferIsDroppedAndTheBackgroundBufferCanBeTheTarget) {
  MemoryFrameBuffer fb(100, 30);
  // Past the last row, before the first, far left and far right: nothing is
  // written outside the buffer (the sanitizers would see it).
  putString(9, 60, 40, "Overflowing text", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  putString(9, -500, 10, "Left", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  putString(9, 10, -5, "Top", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  putString(9, 2000000, 10, "Far", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  putString(3, 10, 20, "empty slot", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  putString(9, 10, 20, nullptr, 255, 255, 255, fb.get(), 0, 0, 0, 0);
  std::vector<uint8_t> before(fb->backMem, fb->backMem + fb->memSize);
  putString(9, 10, 25, "Back", 255, 255, 255, fb.get(), 0, 0, 0, 1);
  EXPECT_NE(std::memcmp(before.data(), fb->backMem, fb->memSize), 0);
}

TEST_F(TextTest, TextPastTheRightEdgeIsCutNotWrappedOntoTheNextRow) {
  MemoryFrameBuffer fb(100, 40);
  putString(9, 70, 35, "WWWWWW", 255, 255, 255, fb.get(), 0, 0, 0, 0);
  // The left third of the screen stays untouched: nothing came round from the right.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 30; ++x) {
      const uint8_t* p = fb->drawMem + y * fb->lineSize + x * 4;
      EXPECT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
    }
}

TEST_F(TextTest, SeveralThreadsDrawAtOnce) {
  std::vector<std::thread> threads;
  std::vector<std::unique_ptr<MemoryFrameBuffer>> fbs;
  for (int t = 0; t < 4; ++t) fbs.push_back(std::make_unique<MemoryFrameBuffer>(300, 40));
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        putString(t % 2 ? 8 : 10, 5, 30, "Auto Tune SWR warning", 255, 255, 255, fbs[t]->get(), 0, 0, 0, 0);
        getStringSpace(6, "12:00:00");
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(std::memcmp(fbs[0]->get()->drawMem, fbs[2]->get()->drawMem, fbs[0]->get()->memSize), 0);
}

}  // namespace
