// fbshot: saves the screen of a program running in a sandbox as a PNG.
//   fbshot DIR out.png
// DIR/dev/fb0 is the sandbox display (B G R x bytes); its geometry comes from
// DIR/dev/fb0.info ("800 480 32") when present.
#include <cstdio>
#include <string>

#include "screen_capture.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fbshot DIR out.png\n");
    return 2;
  }
  std::string error;
  if (!sim::saveSandboxScreen(argv[1], argv[2], error)) {
    std::fprintf(stderr, "fbshot: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
