#include "ui/error_draw.h"

#include <mutex>

#include "amp/errors.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "state/works.h"

namespace {

constexpr int kKeyTop = 370;
constexpr int kKeyBottom = 415;
constexpr int kMaxKeys = 6;
constexpr int kKeyColumns[kMaxKeys][2] = {{5, 130}, {133, 263}, {266, 396}, {399, 529}, {532, 662}, {665, 795}};
constexpr int kErrorFont = 10;

}  // namespace

void DrawTastoErrore(Works* works, int x0, int x1, int index) {
  const ErrorDescriptor d = GetErrorDescriptor(works, index);
  FrameBuffer* fb = works->fb;
  if (d.flags & kErrDescAlarm)
    FillBox(x0, kKeyTop, x1, kKeyBottom, 255, 30, 0, fb, 0);
  else
    FillBox(x0, kKeyTop, x1, kKeyBottom, 250, 150, 0, fb, 0);
  DrawRect(works, x0, kKeyTop, x1, kKeyBottom, 255, 255, 255);
  putString(kErrorFont, x0 + 4, 390, d.line1, 250, 250, 250, fb, 0, 0, 0, 0);
  putString(kErrorFont, x0 + 4, 410, d.line2, 250, 250, 250, fb, 0, 0, 0, 0);
}

void DrawError(Works* works) {
  if (works->statusView != 0) return;
  int codes[kNumErrors];
  const int n = ErrorSnapshot(works, codes);
  if (n <= 0) return;
  // With more errors than keys, the newest six are shown.
  const int first = n > kMaxKeys ? n - kMaxKeys : 0;
  std::lock_guard lock(works->fb->drawLock);
  for (int i = first; i < n; ++i)
    DrawTastoErrore(works, kKeyColumns[i - first][0], kKeyColumns[i - first][1], codes[i]);
}
