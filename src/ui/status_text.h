#pragma once
// The fixed-layout status text a connected peer receives on every tick.
#include <cstddef>

struct Works;

// Size of the whole text with its terminator, and the bytes sent to a peer.
inline constexpr size_t kStatusTextSize = 53;
inline constexpr size_t kStatusSentBytes = 44;

// Writes the status text into `out`, which holds at least kStatusTextSize
// bytes. Every field keeps its width: a value too wide for its field is cut to
// it, so the following fields stay in place and nothing is written past byte 52.
void CreaBufferDiStato(Works* works, char* out);

// Name of the band-table row holding `freq` (the first such row, or with
// `first` false the last), or an empty text when no row holds it.
void BandNameFor(Works* works, long freq, bool first, char* out, size_t size);
