#include "display/pictures.h"

#include <cmath>

#include "display/framebuffer.h"
#include "display/picture_canvas.h"
#include "display/text.h"

namespace {

constexpr Rgb kTitle{240, 236, 226};
constexpr Rgb kSubtitle{160, 166, 176};
constexpr Rgb kAmber{226, 150, 44};
constexpr Rgb kPanel{30, 34, 41};
constexpr Rgb kBackTop{24, 27, 33};
constexpr Rgb kBackBottom{11, 12, 15};

// A dark backdrop, lighter towards a centre point: the splash's spotlight.
void radialBackdrop(Canvas& c, FrameBuffer* fb, double cx, double cy) {
  const double reach = std::hypot(fb->xSize, fb->ySize) * 0.6;
  for (int y = 0; y < fb->ySize; ++y)
    for (int x = 0; x < fb->xSize; ++x) {
      const double t = std::min(std::hypot(x - cx, y - cy) / reach, 1.0);
      const double s = t * t;
      c.blend(
          x, y,
          Rgb{static_cast<uint8_t>(36 - 26 * s), static_cast<uint8_t>(40 - 29 * s), static_cast<uint8_t>(48 - 34 * s)},
          1.0);
    }
}

}  // namespace

bool LoadPictureFonts(const std::string& fontsDir) {
  const std::string dejavu = fontsDir + "/dejavu/", paratype = fontsDir + "/paratype/";
  TTFLoad((dejavu + "DejaVuSans-Bold.ttf").c_str(), 17, kScaleFont);
  TTFLoad((paratype + "PTS75F.ttf").c_str(), 92, kTitleFont);
  TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 13, kCaptionFont);
  TTFLoad((paratype + "PTS55F.ttf").c_str(), 21, kSubtitleFont);
  TTFLoad((paratype + "PTS75F.ttf").c_str(), 28, kBadgeFont);
  for (int slot : {kScaleFont, kTitleFont, kCaptionFont, kSubtitleFont, kBadgeFont})
    if (fontSlotSize(slot) == 0) return false;
  return true;
}

void DrawSplash(FrameBuffer* fb, bool variant120) {
  Canvas c(fb);
  radialBackdrop(c, fb, 400, 150);
  c.textCentered(kTitleFont, 400, 150, "VYR ART", kTitle);
  c.line(270, 174, 530, 174, 2, kAmber);
  c.textCentered(kSubtitleFont, 400, 208, "HF LINEAR AMPLIFIER  \u00b7  AUTOMATIC ANTENNA TUNER", kSubtitle);
  if (variant120) {
    // The 120 W marking: an amber outlined badge under the subtitle.
    const int w = c.textWidth(kBadgeFont, "120 W") + 36;
    c.fillRoundRect(400 - w / 2.0, 230, 400 + w / 2.0, 268, 8, kAmber);
    c.fillRoundRect(400 - w / 2.0 + 2, 232, 400 + w / 2.0 - 2, 266, 6, Rgb{28, 31, 38});
    c.textCentered(kBadgeFont, 400, 259, "120 W", kAmber);
  }
}

void DrawStatusBackground(FrameBuffer* fb, bool withHeader) {
  Canvas c(fb);
  c.verticalGradient(0, fb->ySize - 1, kBackTop, kBackBottom);
  if (withHeader) {
    // Title band for the table overlays (title at baseline 50, header at 100).
    c.fillRoundRect(0, 0, fb->xSize, 66, 0, kPanel);
    c.line(0, 66.5, fb->xSize, 66.5, 1, Rgb{150, 100, 36});
  } else {
    // Label column of the information screen (labels at x 5, values at x 180).
    c.fillRoundRect(0, 88, 172, 364, 0, kPanel);
    c.line(172.5, 88, 172.5, 364, 1, Rgb{150, 100, 36});
  }
}

void DrawSpectrumBackground(FrameBuffer* fb) {
  Canvas c(fb);
  c.verticalGradient(0, fb->ySize - 1, Rgb{18, 20, 25}, kBackBottom);
  // The plot well under the grid the spectrum page draws (70..758 x 60..230).
  c.fillRoundRect(66, 56, 762, 234, 4, Rgb{52, 58, 68});
  c.fillRoundRect(67, 57, 761, 233, 3, Rgb{7, 9, 12});
}

bool DrawPicture(const std::string& name, FrameBuffer* fb) {
  if (name == "start" || name == "start120")
    DrawSplash(fb, name == "start120");
  else if (name == "statusB" || name == "status")
    DrawStatusBackground(fb, name == "statusB");
  else if (name == "img1" || name == "img1b" || name == "img3" || name == "img3b")
    DrawMeterFace(fb, name.back() == 'b' ? 120 : 60, name.rfind("img3", 0) == 0);
  else if (name == "m5a")
    DrawSpectrumBackground(fb);
  else
    return false;
  return true;
}
