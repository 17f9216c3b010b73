// meter-preview: composes a meter page as the screen shows it (the "img1"
// face with readings, needles, status boxes, an error key and the button bar)
// and saves it as a PNG, for the documentation.
//   meter-preview OUT.png [FONTSDIR]
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "amp/errors.h"
#include "display/draw.h"
#include "display/memory_framebuffer.h"
#include "display/needle_geometry.h"
#include "display/pictures.h"
#include "display/screenshot.h"
#include "display/text.h"
#include "state/works.h"
#include "ui/error_draw.h"

namespace {

void loadScreenFonts(const std::string& dir) {
  const std::string d = dir + "/dejavu/", p = dir + "/paratype/";
  TTFLoad((d + "DejaVuSans-Bold.ttf").c_str(), 24, 0);
  TTFLoad((d + "DejaVuSans.ttf").c_str(), 22, 1);
  TTFLoad((p + "PTS75F.ttf").c_str(), 24, 4);
  TTFLoad((d + "DejaVuSans.ttf").c_str(), 14, 6);
  TTFLoad((d + "DejaVuSans.ttf").c_str(), 20, 8);
  TTFLoad((d + "DejaVuSans.ttf").c_str(), 18, 10);
}

// A needle as the meter page draws it: three strokes from beside the pivot.
void needleAt(FrameBuffer* fb, int cx, double v, double n, int r, int g, int b) {
  const double theta = needle::angle(v, n);
  const int tx = static_cast<int>(needle::tipX(cx, theta)), ty = static_cast<int>(needle::tipY(needle::kPivotY, theta));
  for (int dx : {0, -1, 1}) DrawLine(cx + dx, needle::kPivotY, tx, ty, r, g, b, fb, 0);
}

void buttonBar(FrameBuffer* fb) {
  const int spans[6][2] = {{0, 129}, {133, 262}, {266, 395}, {399, 528}, {532, 661}, {665, 798}};
  const char* top[6] = {"RESET", "TUNE", "ANT", "ATT", "MENU", "VIEW"};
  const char* bottom[6] = {" Error ", "Auto", "1", "0dB", "Setup", "Page"};
  const int topX[6] = {20, 143, 276, 409, 542, 675}, bottomX[6] = {30, 153, 286, 419, 552, 695};
  for (int i = 0; i < 6; ++i) {
    FillBox(spans[i][0], 420, spans[i][1] + 1, 480, 40, 40, 40, fb, 0);
    DrawHorizontalLine(spans[i][0] + 1, 420, spans[i][1] + 1, 120, 120, 120, fb, 0);
    DrawLine(spans[i][1] + 1, 420, spans[i][1] + 1, 479, 120, 120, 120, fb, 0);
    putString(0, topX[i], 445, top[i], 250, 150, 0, fb, 0, 0, 0, 0);
    putString(1, bottomX[i], 472, bottom[i], 250, 150, 0, fb, 0, 0, 0, 0);
  }
}

void statusBoxes(Works* w) {
  const struct {
    int x0, x1, tx;
    const char* text;
  } boxes[] = {{1, 110, 10, "Generic"},    {115, 260, 125, "  Coax:RTX"}, {265, 400, 275, "Band:20m"},
               {405, 520, 415, "Att 0dB"}, {525, 600, 535, "Ant 1"},      {605, 710, 615, "Atu: On"},
               {715, 799, 725, "Local"}};
  for (const auto& b : boxes) {
    DrawRect(w, b.x0, 278, b.x1, 303, 200, 200, 200);
    putString(1, b.tx, 298, b.text, 0, 200, 255, w->fb, 0, 0, 0, 0);
  }
  DrawRect(w, 1, 307, 400, 332, 100, 100, 100);
  putString(1, 10, 327,
            "PA Temp1: 041.5\xC2\xB0"
            "C      Temp2: 038.0\xC2\xB0"
            "C",
            0, 200, 0, w->fb, 0, 0, 0, 0);
  DrawRect(w, 405, 307, 799, 332, 100, 100, 100);
  putString(1, 415, 327, "PA Voltage: 13.8V       Current: 07.4A", 0, 200, 0, w->fb, 0, 0, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: meter-preview OUT.png [FONTSDIR]\n");
    return 2;
  }
  const std::string fonts = argc > 2 ? argv[2] : "/usr/share/fonts/truetype";
  if (!LoadPictureFonts(fonts)) return 1;
  loadScreenFonts(fonts);
  MemoryFrameBuffer fb(800, 480);
  auto works = std::make_unique<Works>();
  works->fb = fb.get();
  DrawMeterFace(fb.get(), 60, false);
  putString(6, 780 - getStringSpace(6, "2024-05-01 12:34:56"), 17, "2024-05-01 12:34:56", 255, 255, 255, fb.get(), 0, 0,
            0, 0);
  putString(4, 339, 52, "14.070MHz", 0, 0, 0, fb.get(), 0, 0, 0, 0);
  needleAt(fb.get(), needle::kForwardPivotX, 42.5, 60, 255, 0, 0);
  needleAt(fb.get(), needle::kForwardPivotX, 48.0, 60, 0, 0, 0);
  needleAt(fb.get(), needle::kSecondPivotX, 1.2, 60, 255, 0, 0);
  needleAt(fb.get(), needle::kSecondPivotX, 2.0, 60, 0, 0, 0);
  putString(8, 155, 160, "FORWARD", 0, 0, 0, fb.get(), 0, 0, 0, 0);
  putString(8, 180, 180, "42.5W", 0, 0, 0, fb.get(), 0, 0, 0, 0);
  putString(8, 535, 160, "REFLECTED", 0, 0, 0, fb.get(), 0, 0, 0, 0);
  putString(8, 565, 180, "1.2W", 0, 0, 0, fb.get(), 0, 0, 0, 0);
  statusBoxes(works.get());
  DrawTastoErrore(works.get(), 5, 130, kErrTuneTimeout);
  buttonBar(fb.get());
  return SaveFramebufferPng(fb->drawMem, 800, 480, 4, argv[1]) ? 0 : 1;
}
