// Keys of the main page and of the failed-link page.
#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/linear.h"
#include "display/png.h"
#include "links/cat_serial.h"
#include "links/ext_io.h"
#include "platform/log.h"
#include "state/setup_record.h"
#include "state/thread_starter.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/bank_change.h"
#include "tables/banks.h"
#include "ui/key_dispatch.h"
#include "ui/key_pages.h"
#include "ui/status_info.h"

namespace {

constexpr int kAttStandby = 4;  // the attenuator step that puts the amplifier in standby

bool transmitting(Works* w) { return RelaysHeld(w); }

// ANT and MEM switch relays: refused under the carrier, as IN-ATT refuses to
// leave standby, with the same "CMD not available" notice. A tune running
// for the antenna or bank that goes away ends first, unstored.
bool relayChangeRefused(Works* w) {
  if (transmitting(w)) {
    AddErrore(w, kErrCmdNotAvailable);
    return true;
  }
  EndTuneBeforeRelayChange(w);
  return false;
}

void nextAntenna(Works* w) {
  if (relayChangeRefused(w)) return;
  w->antennaIndex = (w->antennaIndex + 1) % 3;
  IncPNTIn_CMDLinear(kCmdAntenna, w);
  SaveToBank(w, w->NumBanco, w->antennaIndex);
}

// IN-ATT: steps through the four attenuations and standby.
void stepAttenuator(Works* w) {
  const bool tx = transmitting(w);
  if (tx && w->ampBypass == 1) {
    // Leaving standby is refused while the transceiver transmits: nothing is
    // sent (no "AB0;" under the carrier) and the step stays where it was,
    // also when the amplifier reported standby while the step showed an
    // attenuation.
    AddErrore(w, kErrCmdNotAvailable);
    return;
  }
  const int last = tx ? 3 : kAttStandby;  // no standby while transmitting
  int step = w->attStep + 1;
  if (step > last || step < 0) step = 0;
  w->attStep = step;
  if (step <= 3) {
    w->Attenuator = step;
    IncPNTIn_CMDLinear(kCmdAttenuator, w);
    if (w->ampBypass == 1) IncPNTIn_CMDLinear(kCmdAmpInLine, w);
  } else if (w->ampBypass == 0) {
    IncPNTIn_CMDLinear(kCmdAmpBypass, w);
  }
  SaveToBank(w, w->NumBanco, w->antennaIndex);
}

void closeUtilities(Works* w) {
  w->statusView &= ~kViewUtilities;
  SetWorkImg(w);
}

int memKey(Works* w, const KeyPress& key) {
  if (EscFromStatus(w)) return 0;
  if (w->statusView & kViewUtilities) {
    closeUtilities(w);
    return 0;
  }
  if (!key.longPress) {
    if (!relayChangeRefused(w)) ChangeBanco(w);
    return 0;
  }
  w->statusView |= kViewUtilities;
  LoadBackground(w, "statusB");
  w->menuPage = kLumoUtilities;
  return 0;
}

void viewKey(Works* w, const KeyPress& key) {
  if (key.longPress) {
    if (!(w->statusView & kViewStatus)) StartInfoScreenLink(w);
    w->statusView |= kViewStatus;
    LoadBackground(w, "status");
    return;
  }
  int page = w->screenPage + 1;
  if (page > 5 || page < 1) page = 1;
  w->screenPage = page;
  w->statusView = 0;
  w->peak2.value = 0;
  w->peak2.holdMs = 0;
  SetWorkImg(w);
  platform::errPrintf("type to %d\n", page);
}

}  // namespace

int KeysMain(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      return memKey(w, key);
    case 2:
      if (!key.longPress) stepAttenuator(w);
      return 0;
    case 3:
      nextAntenna(w);
      return 0;
    case 4:
      w->menuPage = kLumoTune;
      return 0;
    case 5:
      w->menuPage = kLumoSetupList;
      return 0;
    case 6:
      viewKey(w, key);
      return 0;
  }
  return 0;
}

namespace {

// Brings the failed link up again: the amplifier, FT-817 and external IO
// links reopen their own ports (their threads keep running while a port is
// missing); the other links are threads the program starts again.
void restartLink(Works* w, int link) {
  switch (link) {
    case 1:
      RequestLinearReopen(w);
      break;
    case 2:
      RequestCatSerialReopen(w);
      StartLinkThread(w, LinkThread::CatRelay);
      break;
    case 3:
      RequestExtIoReopen(w);
      break;
    case 5:
      StartLinkThread(w, LinkThread::Spectrum);
      break;
    default:
      break;
  }
}

}  // namespace

int KeysFailedLink(Works* w, const KeyPress& key) {
  const int link = w->linkFault;
  if (key.button == 5 || (key.button == 6 && link == 1)) {
    w->linkFault = -1;
    restartLink(w, link);
  } else if (key.button == 6) {
    SetupRecord& s = *w->setup;
    if (link == 2) s.enaCatSer = '0';  // the FT-817 link's own switch, not the CAT relay's
    if (link == 3) s.enaser = '0';
    if (link == 5) s.EnableFFT = '0';
    w->linkFault = -1;
  }
  return 0;
}
