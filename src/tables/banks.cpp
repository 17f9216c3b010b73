#include "tables/banks.h"

#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "platform/board.h"
#include "platform/log.h"
#include "state/outbox.h"
#include "state/setup.h"
#include "state/setup_record.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/interface_mode.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"

namespace {

std::string filePath(int bank, int kind) {
  return kind == kFileBandTable ? tables::bandTablePath(bank) : tables::tuneMemPath(bank, kind);
}

// The current bank's band table and tuner memories, as its files hold them;
// the interface type and the links it runs stay as they are. The row in force
// is kept too: the rows are the ones it was chosen from, and selecting it again
// would resend the tuner setting for nothing.
void reloadCurrentTables(Works* works) {
  const int bank = works->NumBanco;
  const int row = works->bandRowIdx;
  LoadTabConfig(works, bank);
  for (int a = 0; a < kTuneMemAntennas; ++a) LoadTabAtu(works, bank, a);
  works->bandRowIdx = row;
}

}  // namespace

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

// Queued behind any save of the same file still waiting, so a reset bank
// cannot come back from a store made just before it.
void DeleteFileConf(Works* works, int bank, int kind) {
  FileOutbox().remove(filePath(bank, kind), platform::RemoveMode::Force,
                      tables::format("can't delete file bank %d", bank));
}

void CopyBank(Works* works, int from, int to) {
  for (int a = 0; a < kTuneMemAntennas; ++a) LoadTabAtu(works, from, a);
  LoadTabConfig(works, from);
  for (int a = 0; a < kTuneMemAntennas; ++a) SaveTabAtu(works, to, a);
  // Written like every other save of a band table: the header records the
  // interface of the bank in use, not the one the origin was made for.
  SaveTabConfig(works, to);
  // The tables in memory are the ones every later ANT, IN-ATT, ATU or INTERF
  // press and stored tune writes back under the current bank's number: they
  // must be that bank's again, or its files take the origin's rows. A copy
  // onto the current bank already left them as its files now hold them.
  if (to != works->NumBanco) reloadCurrentTables(works);
}

void ResetBank(Works* works, int bank) {
  const int maxBank = works->MAXbank;
  const bool all = bank == maxBank;
  for (int b = all ? 0 : bank; b < (all ? maxBank : bank + 1); ++b)
    for (int kind = 0; kind <= kFileBandTable; ++kind) DeleteFileConf(works, b, kind);
  LoadAllBankTable(works, works->NumBanco);
  works->bandRowIdx = -1;
}
