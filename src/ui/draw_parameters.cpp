#include "ui/draw_parameters.h"

#include <cstdio>
#include <string>

#include "amp/temperature.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "platform/clock.h"
#include "remote/pairing.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tune/autotune_control.h"
#include "tune/tune_word.h"
#include "ui/att_text.h"
#include "ui/background_job.h"
#include "ui/confirm_press.h"
#include "ui/hints.h"
#include "ui/setup_list_view.h"
#include "ui/status_text.h"
#include "ui/supply.h"
#include "ui/table_views.h"

namespace {

constexpr int kFont = 8;
constexpr int kBoxTop = 278, kBoxBottom = 303, kBoxTextY = 298;
constexpr int kStatusOverlay = 1, kBankOverlay = 2, kFilterOverlay = 4;
constexpr uint8_t kHintUpdatingUi = 8;  // hintFlags: the program update runs

void text(Works* w, int x, int y, const char* s, int r, int g, int b) {
  putString(kFont, x, y, s, r, g, b, w->fb, 0, 0, 0, 0);
}

void messageLine(Works* w) {
  char line[128];
  if (w->EnableDebug) {
    std::snprintf(line, sizeof line, "PW %04d FWD %04d REFL %04d SWR %03.02f (%X)", w->rawPwrIn.load(),
                  w->rawFwd.load(), w->rawRefl.load(), w->swrValue.load(), unsigned(w->tinyReply3));
    text(w, 5, 350, line, 250, 250, 0);
    std::snprintf(line, sizeof line, "freq %lu L%i,C%i,%s", static_cast<unsigned long>(w->ampFreq.load()),
                  w->tuneL.load(), w->tuneC.load(), GetModeTuneDebug().c_str());
    text(w, 500, 350, line, 250, 250, 0);
    return;
  }
  // Someone at the unit reads the code to the browser being paired.
  const std::string pairing = PairingScreenLine(w, platform::monotonicMs());
  if (!pairing.empty()) {
    text(w, 5, 350, pairing.c_str(), 255, 200, 0);
    return;
  }
  const uint8_t hints = w->hintFlags;
  const char* hint = (hints & 1)                   ? "Entering second function..."
                     : (hints & 2)                 ? "ATU ByPass not saved!"
                     : (hints & 4)                 ? "Set to Local Mode: Remote not started. Verify connections"
                     : (hints & kHintTuneOff)      ? "TUNE is off: set AUTO TUNE - Enable VYR Tune to On"
                     : (hints & kHintTuneBypassed) ? "ATU is bypassed: press ATU to put it in line, then TUNE"
                     : (hints & kHintTuneTooHot)   ? "Temperature alarm: tune not started"
                                                   : nullptr;
  if (hint) text(w, 5, 350, hint, 250, 250, 250);
}

void box(Works* w, int x0, int x1, int textX, const char* s, int r = 0, int g = 200, int b = 255) {
  DrawRect(w, x0, kBoxTop, x1, kBoxBottom, 200, 200, 200);
  text(w, textX, kBoxTextY, s, r, g, b);
}

void statusBoxes(Works* w) {
  char s[48];
  const int mode = w->ModeWorkIdx;
  box(w, 1, 110, 10, mode >= 0 && mode < 3 ? MODEwork[mode] : " ");
  box(w, 115, 260, 125, (w->ampStatus[0] & 1) ? "Coax:RX+TX" : "  Coax:RTX");
  FormatBandBox(w, s, sizeof s);
  box(w, 265, 400, 275, s);
  if (w->ampBypass == 1)
    std::snprintf(s, sizeof s, "Att %s", "StBy");
  else
    std::snprintf(s, sizeof s, "Att %sdB", AttText(w->Attenuator));
  box(w, 405, 520, 415, s);
  std::snprintf(s, sizeof s, "Ant %d", w->antennaIndex + 1);
  box(w, 525, 600, 535, s);
  box(w, 605, 710, 615, w->atuBypass ? "Atu: Bpy" : "Atu: On");
  if (w->remoteStarted == 1)
    box(w, 715, 799, 725, "Remote", w->remoteActive == 1 ? 250 : 0, w->remoteActive == 1 ? 0 : 200,
        w->remoteActive == 1 ? 0 : 255);
  else
    box(w, 715, 799, 725, "Local");
}

void readingBoxes(Works* w) {
  char s[96];
  DrawRect(w, 1, 307, 400, 332, 100, 100, 100);
  FormatTempBox(w, s, sizeof s);
  text(w, 10, 327, s, 0, 200, 0);
  DrawRect(w, 405, 307, 799, 332, 100, 100, 100);
  FormatSupplyBox(w, s, sizeof s);
  text(w, 415, 327, s, 0, 200, 0);
}

void mainScreen(Works* w) {
  messageLine(w);
  statusBoxes(w);
  readingBoxes(w);
}

}  // namespace

void FormatBandBox(Works* w, char* out, size_t size) {
  const long freq = static_cast<int32_t>(w->freq.load());
  if (freq >= 26000000 && freq <= 28000000) {
    std::snprintf(out, size, "NOPA");
    return;
  }
  char band[16];
  BandNameFor(w, freq, false, band, sizeof band);
  std::snprintf(out, size, "Band:%s", band[0] ? band : "---");
}

void FormatTempBox(Works* w, char* out, size_t size) {
  float t1 = w->paTemp1, t2 = w->paTemp2;
  const char* unit = "°C";
  if (w->TempMode) {
    t1 = ConversionCelsius_to_Fahrenheit(t1);
    t2 = ConversionCelsius_to_Fahrenheit(t2);
    unit = "°F";
  }
  std::snprintf(out, size, "PA Temp1: %04.01f%s      Temp2: %04.01f%s", t1, unit, t2, unit);
}

void FormatSupplyBox(Works* w, char* out, size_t size) {
  const float volts = SupplyVoltage(w);
  const float amps = w->ampCurrentRaw / 4096.0f * 14.05f;
  if (w->ampVariant != '1' && volts > 20)
    std::snprintf(out, size, "PA Voltage: -----       Current: %04.01fA", amps);
  else
    std::snprintf(out, size, "PA Voltage: %04.01fV       Current: %04.01fA", volts, amps);
}

void DrawParameters(Works* w) {
  if (w->linkFault > 0) return;
  DrawConfirmCountdown(w);
  if (!(w->hintFlags & kHintUpdatingUi)) DrawBackgroundJob(w);  // the update has its own line
  const int page = w->menuPage;
  const int overlay = w->statusView;
  if (page == kLumoSetupList || page == kLumoValueEdit) {
    DrawSetupList(w);
    return;
  }
  if (w->fwUpdateMode & 4) {
    text(w, 100, 400, "FW UPDATE: please update fw with FlashMagic and then Reset HW", 250, 250, 250);
    return;
  }
  if (overlay & kBankOverlay) {
    DrawBankTable(w);
    return;
  }
  if (overlay & kFilterOverlay) {
    DrawFilterTable(w);
    return;
  }
  if (overlay == kStatusOverlay) return;
  mainScreen(w);
}

void ViewStatusTX(Works* w) {
  if (w->statusView == kStatusOverlay || !(w->ampStatus[1] & 1)) return;
  FillBox(375, 175, 430, 210, 250, 0, 0, w->fb, 0);
  text(w, 390, 200, "TX", 255, 255, 255);
}
