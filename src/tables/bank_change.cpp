#include "tables/bank_change.h"

#include "platform/log.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/banks.h"
#include "tune/autotune_control.h"

namespace {

// `heldBank`: 0 nothing held, kHeldNext the next bank, otherwise bank + 1.
constexpr int kHeldNext = -1;

void goToBank(Works* w, int bank) {
  w->NumBanco = bank;
  LoadAllBankTable(w, bank);
  w->bandRowIdx = -1;
}

// Applies `held` (the encoding above) now.
void apply(Works* w, int held) {
  EndTuneBeforeRelayChange(w);
  if (held == kHeldNext)
    ChangeBanco(w);
  else
    goToBank(w, held - 1);
}

void request(Works* w, int held) {
  if (RelaysHeld(w)) {
    w->heldBank = held;
    platform::errPrintf("bank change held until receive\n");
    return;
  }
  w->heldBank = 0;
  apply(w, held);
}

}  // namespace

bool RelaysHeld(const Works* w) { return (w->ampStatus[1] & 0x01) != 0; }

void EndTuneBeforeRelayChange(Works* w) {
  if (w->tunerRunning != 0) EscAutoTune(w, 0);
}

void RequestNextBank(Works* w) { request(w, kHeldNext); }

void RequestBank(Works* w, int bank) { request(w, bank + 1); }

bool IsBankHeld(const Works* w, int bank) { return w->heldBank == bank + 1; }

bool ApplyHeldBank(Works* w) {
  if (w->heldBank == 0 || RelaysHeld(w)) return false;
  const int held = w->heldBank.exchange(0);
  if (held == 0) return false;
  apply(w, held);
  return true;
}
