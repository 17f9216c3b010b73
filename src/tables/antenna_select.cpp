// Automatic antenna selection: when the frequency moves, apply the band row
// that holds it.
#include <mutex>
#include <optional>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "platform/log.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"

namespace {

// The first row with start <= f <= stop, copied out under the lock.
std::optional<std::pair<int, BandRow>> rowForFreq(Works* works, int32_t f) {
  std::lock_guard lock(works->bandMutex);
  int rows = std::min<int>(works->bandRows, kBandRowsMax);
  for (int i = 0; i < rows; ++i) {
    const BandRow& r = works->bandTab[i];
    if (r.start <= f && f <= r.stop) return std::make_pair(i, r);
  }
  return std::nullopt;
}

void applyAntenna(Works* works, const BandRow& row) {
  if (row.ant == 0 || row.ant == works->antennaIndex + 1) return;
  works->antennaIndex = row.ant - 1;
  IncPNTIn_CMDLinear(kCmdAntenna, works);
}

void applyTuner(Works* works, const BandRow& row, int index) {
  if (row.atuOff == 1) {
    IncPNTIn_CMDLinear(kCmdTunerBypass, works);
    platform::errPrintf("TABLE CONFIG : BYPASS %i (%i)\n", row.atuOff, index);
  } else {
    GestioneLoadTuneVal(works, 1);
  }
}

// The amplifier's bypass state shows on the attenuator caption ("StBy"), which
// the button bar computes from `ampBypass`; the main page has no caption of its
// own for it.
void applyAmplifier(Works* works, const BandRow& row) {
  if (row.ampEnable != 0) {
    if (works->ampBypass == 1) IncPNTIn_CMDLinear(kCmdAmpInLine, works);
    works->attStep = row.att;
    if (works->Attenuator != row.att) {
      works->Attenuator = row.att;
      IncPNTIn_CMDLinear(kCmdAttenuator, works);
    }
  } else if (works->ampBypass == 0) {
    IncPNTIn_CMDLinear(kCmdAmpBypass, works);
  }
}

}  // namespace

void GestioneAntennaAutomatica(Works* works) {
  // A bank change on another thread marks the row owed (-1) at any moment;
  // a mark made while this selection runs must survive it, so the next tick
  // selects again from the new bank's table.
  works->bandRowIdx = kBandRowNone;
  auto found = rowForFreq(works, static_cast<int32_t>(works->freq.load()));
  if (!found) return;
  const auto& [index, row] = *found;
  int unmarked = kBandRowNone;
  works->bandRowIdx.compare_exchange_strong(unmarked, index);
  applyAntenna(works, row);
  applyTuner(works, row, index);
  applyAmplifier(works, row);
}
