#include "ui/freq_road.h"

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/config_table.h"
#include "tables/filter_table.h"
#include "ui/ext_io_view.h"

namespace {

void resetAntennaMode(Works* works) {
  if (works->anMode > 0) {
    works->anMode = 0;
    IncPNTIn_CMDLinear(kCmdAntennaMode, works);
  }
}

}  // namespace

void ReadFrequencySource(Works* works, const ExtIoView& ext) {
  switch (works->ModeWorkIdx) {
    case 1:
      works->freq = static_cast<uint32_t>(ext.freq);
      break;
    case 2:
      resetAntennaMode(works);
      works->freq = static_cast<uint32_t>(works->catSerFreq.load());
      break;
    case 0:
      works->freq = static_cast<uint32_t>(works->ampFreq.load());
      resetAntennaMode(works);
      break;
    default:
      break;
  }
}

bool FollowFrequency(Works* works) {
  const uint32_t freq = works->freq;
  // 0 is what the transceiver links hold until they have read a frequency:
  // the amplifier keeps its settings until a real one arrives, and a band row
  // still owed (bandRowIdx -1) is applied then.
  if (freq == 0) return false;
  if (freq == works->lastFreq && works->bandRowIdx != -1) return false;
  if (works->ModeWorkIdx != 0) IncPNTIn_CMDLinear(kCmdFrequency, works);
  SetFilterFromfreq(works);
  SearchCambioSoglie_TS(works);
  GestioneAntennaAutomatica(works);
  works->lastFreq = freq;
  return true;
}
