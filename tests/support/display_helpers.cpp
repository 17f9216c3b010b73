#include "display_helpers.h"

#include <string>

#include "display/text.h"

void loadProgramFonts() {
  const std::string dejavu = "/usr/share/fonts/truetype/dejavu/";
  TTFLoad((dejavu + "DejaVuSans-Bold.ttf").c_str(), 24, 0);
  TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 22, 1);
  TTFLoad("/opt/fonts/PTS55F_W.ttf", 22, 2);
  TTFLoad("/opt/fonts/PTS75F_W.ttf", 24, 4);
  TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 8, 5);
  TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 14, 6);
  TTFLoad((dejavu + "DejaVuSans-Oblique.ttf").c_str(), 24, 7);
  TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 20, 8);
  TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 30, 9);
  TTFLoad((dejavu + "DejaVuSans.ttf").c_str(), 18, 10);
  TTFLoad((dejavu + "DejaVuSans-Bold.ttf").c_str(), 21, 11);
}
