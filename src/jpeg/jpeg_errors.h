#pragma once
// libjpeg reports a failure by calling error_exit, which must not return.
// These handlers jump back to the caller's setjmp instead of ending the
// process, and keep libjpeg's own messages off standard error: a peer's bad
// image is the peer's problem, not a line per frame in our log.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace jpegio {

struct ErrorJump {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  // Corrupt entropy data is only a warning to libjpeg (it fills the rest with
  // grey); we refuse such an image instead of showing a damaged one.
  bool strictWarnings = false;
};

void installErrorJump(jpeg_common_struct* info, ErrorJump& err);

}  // namespace jpegio
