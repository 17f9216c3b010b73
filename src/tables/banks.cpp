#include "tables/banks.h"

#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "core/remount.h"
#include "core/setup.h"
#include "core/setup_record.h"
#include "core/thread_table.h"
#include "core/works.h"
#include "platform/commands.h"
#include "platform/log.h"
#include "tables/antenna_tables.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"

namespace {

constexpr int kErrExtIoTimeout = 8;

// Clears a link's run flag; the link thread ends by itself when it sees it.
// Leaving the external IO link also clears its time-out error.
void switchOff(SetupFlag& flag, bool clearsExtIoError, Works* works) {
  if (flag != '1') return;
  flag = '0';
  if (clearsExtIoError) DeleteErrore(works, kErrExtIoTimeout);
}

std::string filePath(int bank, int kind) {
  return kind == kFileBandTable ? tables::bandTablePath(bank) : tables::tuneMemPath(bank, kind);
}

}  // namespace

void SetModeWorkIDX(Works* works) {
  SetupRecord* s = works->setup;
  switch (works->ModeWorkIdx.load()) {
    case 1:
      if (s->enaser != '1') {
        s->enaser = '1';
        StartThreadVYR(works);
      }
      switchOff(s->enaCatSer, false, works);
      break;
    case 2:
      switchOff(s->enaser, true, works);
      if (s->enaCatSer != '1') {
        s->enaCatSer = '1';
        StartThreadCATserial(works);
      }
      break;
    default:
      switchOff(s->enaser, true, works);
      switchOff(s->enaCatSer, false, works);
      break;
  }
  IncPNTIn_CMDLinear(kCmdGeneralSettings, works);
}

void ChangeBanco(Works* works) {
  int bank = works->NumBanco + 1;
  if (bank >= works->MAXbank || bank < 0) bank = 0;
  works->NumBanco = bank;
  writeSetup(works);
  LoadAllBankTable(works, bank);
  works->bandRowIdx = -1;
}

void ChangeInterfaceBanco(Works* works) {
  int type = works->ModeWorkIdx + 1;
  if (type > 2 || type < 0) type = 0;
  works->ModeWorkIdx = type;
  SetModeWorkIDX(works);
  SaveToBank(works, works->NumBanco, works->antennaIndex);
}

void DeleteFileConf(Works* works, int bank, int kind) {
  if (!RemountSetRW()) {
    platform::errPrintf("can't mount rw /opt/set/ error %d\n", errno);
    return;
  }
  if (platform::runCommand("rm -f " + filePath(bank, kind)) != 0)
    platform::sysLog(platform::kErr, "can't delete file bank %d", bank);
  RemountSetRO();
}

void CopyBank(Works* works, int from, int to) {
  for (int a = 0; a < kTuneMemAntennas; ++a) LoadTabAtu(works, from, a);
  LoadTabConfig(works, from);
  for (int a = 0; a < kTuneMemAntennas; ++a) SaveTabAtu(works, to, a);
  // Written like every other save of a band table: the header records the
  // interface of the bank in use, not the one the origin was made for.
  SaveTabConfig(works, to);
}

void ResetBank(Works* works, int bank) {
  const int maxBank = works->MAXbank;
  const bool all = bank == maxBank;
  for (int b = all ? 0 : bank; b < (all ? maxBank : bank + 1); ++b)
    for (int kind = 0; kind <= kFileBandTable; ++kind) DeleteFileConf(works, b, kind);
  LoadAllBankTable(works, works->NumBanco);
  works->bandRowIdx = -1;
}
