#include "ui/button_bar.h"

#include "amp/errors.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "state/works.h"
#include "ui/draw_parameters.h"
#include "ui/error_draw.h"
#include "ui/lumomenu.h"
#include "ui/menu_rows.h"
#include "ui/status_info.h"

namespace {

constexpr int kBarTop = 420;
constexpr int kBarBottom = 479;
struct ButtonSpan {
  int x0;
  int x1;
};

constexpr ButtonSpan kFaces[6] = {{0, 129}, {133, 262}, {266, 395}, {399, 528}, {532, 661}, {665, 798}};
constexpr ButtonSpan kTopEdges[6] = {{1, 129}, {134, 262}, {267, 395}, {400, 529}, {533, 662}, {666, 798}};
constexpr int kSeparators[6] = {130, 263, 396, 529, 662, 799};
constexpr int kTopX[6] = {20, 143, 276, 409, 542, 675};
constexpr int kBottomX[6] = {30, 153, 286, 419, 552, 695};
constexpr int kTopFont = 0, kBottomFont = 1;
constexpr int kTopY = 445, kBottomY = 472;

void drawFaces(FrameBuffer* fb, uint8_t flags) {
  for (const ButtonSpan& s : kFaces) FillBox(s.x0, kBarTop, s.x1 + 1, kBarBottom + 1, 40, 40, 40, fb, 0);
  if (flags & kLumoUnderline1) FillBox(2, 478, 128, 480, 250, 150, 0, fb, 0);
  if (flags & kLumoUnderline6) FillBox(667, 478, 797, 480, 250, 150, 0, fb, 0);
  for (const ButtonSpan& s : kTopEdges) DrawHorizontalLine(s.x0, kBarTop, s.x1 + 1, 120, 120, 120, fb, 0);
  for (int x : kSeparators) DrawLine(x, kBarTop, x, kBarBottom, 120, 120, 120, fb, 0);
}

void drawCaptions(Works* works, const LumoPage& page, int pageNo) {
  FrameBuffer* fb = works->fb;
  for (int b = 0; b < 6; ++b) {
    const char* top = page.caption[2 * b];
    const char* bottom = page.caption[2 * b + 1];
    if (b == 0 && VerifyError(works)) {
      top = "RESET";
      bottom = " Error ";
    }
    if (pageNo == kLumoValueEdit && (b == 1 || b == 2) && !MenuRowHasCursor(works->menuRow)) top = bottom = " ";
    putString(kTopFont, kTopX[b], kTopY, top, 250, 150, 0, fb, 0, 0, 0, 0);
    putString(kBottomFont, kBottomX[b], kBottomY, bottom, 250, 150, 0, fb, 0, 0, 0, 0);
  }
}

}  // namespace

void LoadButtons(Works* works) {
  FrameBuffer* fb = works->fb;
  if (!fb) return;
  std::lock_guard lock(fb->drawLock);
  const int pageNo = works->menuPage;
  RefreshDynamicCaptions(works, pageNo);
  const LumoPage page = GetLumoPage(pageNo);
  drawFaces(fb, page.flags);
  drawCaptions(works, page, pageNo);
  DrawParameters(works);
  DrawError(works);
  ViewStatusInfo(works);
  ViewStatusTX(works);
}
