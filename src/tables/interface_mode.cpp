#include "tables/interface_mode.h"

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "state/setup_record.h"
#include "state/thread_starter.h"
#include "state/works.h"

namespace {

// Clears a link's run flag; the link thread ends by itself when it sees it.
// Leaving the external IO link also clears its time-out error.
void switchOff(SetupFlag& flag, bool clearsExtIoError, Works* works) {
  if (flag != '1') return;
  flag = '0';
  if (clearsExtIoError) DeleteErrore(works, kErrExtIo);
}

}  // namespace

void SetModeWorkIDX(Works* works) {
  SetupRecord* s = works->setup;
  switch (works->ModeWorkIdx.load()) {
    case 1:
      if (s->enaser != '1') {
        s->enaser = '1';
        StartLinkThread(works, LinkThread::ExtIo);
      }
      switchOff(s->enaCatSer, false, works);
      break;
    case 2:
      switchOff(s->enaser, true, works);
      if (s->enaCatSer != '1') {
        s->enaCatSer = '1';
        StartLinkThread(works, LinkThread::CatSerial);
      }
      break;
    default:
      switchOff(s->enaser, true, works);
      switchOff(s->enaCatSer, false, works);
      break;
  }
  IncPNTIn_CMDLinear(kCmdGeneralSettings, works);
}
