// hfamp: control program of the HF linear amplifier and its antenna tuner.
//   hfamp              runs on the board
//   hfamp --root DIR   runs in the sandbox: every system path lives under DIR
//                      and no board command reaches the host
#include <cstdio>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "platform/paths.h"

static int usage() {
  std::fprintf(stderr, "usage: hfamp [--root DIR]\n");
  return 2;
}

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
      platform::setRoot(argv[++i]);
    } else if (std::strncmp(argv[i], "--root=", 7) == 0) {
      platform::setRoot(argv[i] + 7);
    } else {
      return usage();
    }
  }
  platform::makeSandboxLayout();
  return RunProgram();
}
