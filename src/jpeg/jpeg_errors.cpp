#include "jpeg/jpeg_errors.h"

namespace jpegio {
namespace {

[[noreturn]] void jumpOut(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorJump*>(info->err);
  std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr info, int level) {
  auto* err = reinterpret_cast<ErrorJump*>(info->err);
  if (level < 0 && err->strictWarnings) std::longjmp(err->jump, 1);
}

void quiet(j_common_ptr) {}

}  // namespace

void installErrorJump(jpeg_common_struct* info, ErrorJump& err) {
  info->err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jumpOut;
  err.mgr.emit_message = onMessage;
  err.mgr.output_message = quiet;
}

}  // namespace jpegio
