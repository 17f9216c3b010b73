#pragma once
// The fast search, chosen by the setup key `TuneSearch`: a coarse grid over
// both networks, or the stored setting of a neighbouring slot when it is
// already close, then a pattern search around the best setting that halves its
// steps until no neighbour is better. It usually needs a fraction of the
// measurements of the full sweep and switches fewer relays.
struct Works;

// Measurements the fast search takes at most before it settles.
inline constexpr int kFastSearchBudget = 86;  // with the start and the last look: 90 polls

// Starts the search; sets the first setting to measure in the tune word.
void FastSearchStart(Works* works);
// Judges the measurement just taken (the latest of the tune's records) and sets
// the next setting; returns false when the search is over (the caller then
// applies the best setting found).
bool FastSearchStep(Works* works);
