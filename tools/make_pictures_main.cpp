// make-pictures: writes the background pictures the program shows as 8-bit
// RGBA PNG files, composed with the program's own drawing and text code.
//   make-pictures OUTDIR [FONTSDIR]
// FONTSDIR (default /usr/share/fonts/truetype) holds dejavu/ and paratype/.
#include <cstdio>
#include <string>

#include "display/memory_framebuffer.h"
#include "display/pictures.h"
#include "display/screenshot.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make-pictures OUTDIR [FONTSDIR]\n");
    return 2;
  }
  const std::string outDir = argv[1];
  const std::string fontsDir = argc > 2 ? argv[2] : "/usr/share/fonts/truetype";
  if (!LoadPictureFonts(fontsDir)) {
    std::fprintf(stderr, "make-pictures: fonts missing under %s\n", fontsDir.c_str());
    return 1;
  }
  for (const char* name : kPictureNames) {
    MemoryFrameBuffer fb(800, 480);
    DrawPicture(name, fb.get());
    const std::string path = outDir + "/" + name + ".png";
    if (!SaveFramebufferPng(fb->drawMem, fb->xSize, fb->ySize, 4, path)) {
      std::fprintf(stderr, "make-pictures: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
