#include "remote/follow_server.h"

#include "platform/log.h"
#include "state/works.h"
#include "tables/bank_change.h"

namespace {

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

}  // namespace

int StatusLineBank(const uint8_t* status, size_t length) {
  if (length < kStatusBankAt + 2) return -1;
  const uint8_t tens = status[kStatusBankAt], units = status[kStatusBankAt + 1];
  if (!isDigit(tens) || !isDigit(units)) return -1;
  return (tens - '0') * 10 + (units - '0');
}

bool FollowServerBank(Works* w, const uint8_t* status, size_t length) {
  const int bank = StatusLineBank(status, length);
  if (bank < 0 || bank == w->NumBanco || IsBankHeld(w, bank)) return false;
  if (bank >= w->MAXbank) {
    platform::sysLog(platform::kErr, "far unit on bank %d, this unit has %d banks: not followed", bank,
                     w->MAXbank.load());
    return false;
  }
  platform::sysLog(platform::kInfo, "following the far unit to bank %d", bank);
  // The far unit may change bank while this one transmits: its relays wait
  // for receive.
  RequestBank(w, bank);
  return true;
}
