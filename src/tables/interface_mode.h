#pragma once
// The bank's interface type decides where the frequency comes from: 0 the
// amplifier's own counter, 1 the companion transceiver's external IO link,
// 2 the FT-817 CAT link.
struct Works;

// Starts or stops the transceiver links the interface type needs.
void SetModeWorkIDX(Works* works);
