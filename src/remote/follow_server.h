#pragma once
// What a client unit takes over from the far unit's status line beyond the
// remote commands: the bank in use. The frequency needs nothing here, since
// it arrives with the transceiver parameters the far unit forwards.
#include <cstddef>
#include <cstdint>

struct Works;

// Where the status line carries the sender's bank: two decimal digits.
inline constexpr size_t kStatusBankAt = 40;

// The bank number in a received status line, or -1 when the line is too
// short or the field is not two digits.
int StatusLineBank(const uint8_t* status, size_t length);

// Loads the far unit's bank when it differs from ours and this unit has it.
// The setup file keeps this unit's own choice: following is for as long as
// the far unit says so, and the next status line would undo a local change.
// While this unit transmits the change waits for receive. True when the bank
// changed or a change was held.
bool FollowServerBank(Works* works, const uint8_t* status, size_t length);
