// Cost of the main screen's text per frame: about forty labels in the slots and
// sizes the screens use, drawn into an 800 x 480 buffer, through the fast text
// path (cached glyphs, clipped rows) and the plain one.
#include <benchmark/benchmark.h>

#include <string>

#include "display/memory_framebuffer.h"
#include "display/text.h"
#include "platform/paths.h"
#include "sandbox.h"

namespace {

struct Label {
  int slot, x, y;
  const char* text;
};

// A main meter screen: readings, status boxes, temperature lines, clock,
// frequency, error keys and the button captions.
const Label kLabels[] = {
    {8, 155, 160, "FORWARD"},
    {8, 180, 180, "42.5W"},
    {8, 535, 160, "REFLECTED"},
    {8, 565, 180, "1.2W"},
    {4, 339, 52, "14.070MHz"},
    {6, 640, 17, "2024-05-01 12:34:56"},
    {1, 10, 298, "Generic"},
    {1, 125, 298, "  Coax:RTX"},
    {1, 275, 298, "Band:20m"},
    {1, 415, 298, "Att 0dB"},
    {1, 535, 298, "Ant 1"},
    {1, 615, 298, "Atu: On"},
    {1, 725, 298, "Local"},
    {1, 10, 327,
     "PA Temp1: 045.2\xC2\xB0"
     "C      Temp2: 041.0\xC2\xB0"
     "C"},
    {1, 415, 327, "PA Voltage: 13.8V       Current: 06.2A"},
    {1, 5, 350, "Entering second function..."},
    {10, 9, 390, "HI SWR"},
    {10, 9, 410, "error"},
    {10, 137, 390, "Auto Tune"},
    {10, 137, 410, "timeout"},
    {0, 20, 445, "TUNE"},
    {1, 30, 472, "Auto"},
    {0, 143, 445, "ANT"},
    {1, 153, 472, "Select"},
    {0, 276, 445, "ATT"},
    {1, 286, 472, "Step"},
    {0, 409, 445, "BYPASS"},
    {1, 419, 472, "Amp"},
    {0, 542, 445, "MENU"},
    {1, 552, 472, "Setup"},
    {0, 675, 445, "VIEW"},
    {1, 695, 472, "Page"},
    {11, 600, 360, "1.00"},
    {7, 70, 335, "Peak hold time"},
    {2, 5, 110, "VERSION"},
    {2, 180, 110, "SW ver. 0.055"},
    {9, 300, 400, "Loading ...10"},
    {5, 10, 20, "dBm"},
    {6, 35, 243, "-80"},
    {6, 395, 243, "0"},
};

void loadFonts() {
  static bool loaded = [] {
    const std::string root = "/tmp/hfamp-bench-text";
    sim::makeSandbox(root);
    platform::setRoot(root);
    const std::string d = "/usr/share/fonts/truetype/dejavu/";
    const struct {
      int slot;
      std::string file;
      int size;
    } slots[] = {
        {0, d + "DejaVuSans-Bold.ttf", 24},    {1, d + "DejaVuSans.ttf", 22},      {2, "/opt/fonts/PTS55F_W.ttf", 22},
        {4, "/opt/fonts/PTS75F_W.ttf", 24},    {5, d + "DejaVuSans.ttf", 8},       {6, d + "DejaVuSans.ttf", 14},
        {7, d + "DejaVuSans-Oblique.ttf", 24}, {8, d + "DejaVuSans.ttf", 20},      {9, d + "DejaVuSans.ttf", 30},
        {10, d + "DejaVuSans.ttf", 18},        {11, d + "DejaVuSans-Bold.ttf", 21}};
    for (const auto& s : slots) TTFLoad(s.file.c_str(), s.size, s.slot);
    return true;
  }();
  (void)loaded;
}

void drawFrame(FrameBuffer* fb) {
  for (const Label& l : kLabels) putString(l.slot, l.x, l.y, l.text, 255, 255, 255, fb, 0, 0, 0, 0);
}

void BM_MainScreenText(benchmark::State& state) {
  loadFonts();
  setTextFastPath(state.range(0) != 0);
  MemoryFrameBuffer fb(800, 480);
  drawFrame(fb.get());  // fills the glyph cache on the fast path
  for (auto _ : state) {
    drawFrame(fb.get());
    benchmark::ClobberMemory();
  }
  state.counters["labels"] = static_cast<double>(std::size(kLabels));
  setTextFastPath(true);
}
BENCHMARK(BM_MainScreenText)->Arg(1)->Arg(0)->ArgName("fast")->Unit(benchmark::kMicrosecond);

void BM_StringWidth(benchmark::State& state) {
  loadFonts();
  for (auto _ : state) benchmark::DoNotOptimize(getStringSpace(6, "2024-05-01 12:34:56"));
}
BENCHMARK(BM_StringWidth);

}  // namespace
