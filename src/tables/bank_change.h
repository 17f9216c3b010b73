#pragma once
// Relay changes asked for by the owner or by the far unit: the antenna relays
// and the bank's settings never switch while the amplifier carries RF, and a
// running tune ends before the antenna or bank it is tuning for changes.
struct Works;

// True while the amplifier reports transmit: no antenna, bypass or bank change.
bool RelaysHeld(const Works* works);
// Ends a running tune without storing it, so its setting is never kept for an
// antenna or bank it was not made on.
void EndTuneBeforeRelayChange(Works* works);
// The next bank (the far unit's bank key): now when in receive, else at the
// first tick in receive.
void RequestNextBank(Works* works);
// Bank `bank` (following the far unit): as RequestNextBank.
void RequestBank(Works* works, int bank);
// True when bank `bank` is the change waiting for receive.
bool IsBankHeld(const Works* works, int bank);
// Carries out a bank change held over a transmission once the amplifier is back
// in receive; called by the timer loop every tick. True when it changed bank.
bool ApplyHeldBank(Works* works);
