// The slot scheme of the tuner memory: 0..54 MHz cut into 4649 slots, narrow
// inside the amateur bands and wider between them.
#include <algorithm>
#include <cstdint>

#include "tables/tuner_memory.h"

namespace {

struct StepPair {
  int32_t freq;
  int32_t step;  // -1 closes the last region
};

constexpr StepPair tabAtuStep[23] = {
    {0, 2000},         {1800000, 2000},   {2000000, 4000},   {3500000, 4000},   {4000000, 5000},   {5330000, 5000},
    {5400000, 5000},   {7000000, 5000},   {7300000, 5000},   {10100000, 10000}, {10150000, 10000}, {14000000, 10000},
    {14350000, 10000}, {18000000, 10000}, {18170000, 10000}, {21000000, 20000}, {21500000, 25000}, {24850000, 25000},
    {25000000, 25000}, {28000000, 25000}, {29700000, 50000}, {50000000, 50000}, {54000000, -1},
};
constexpr int kRegions = 22;

constexpr int slotCount(int b) { return (tabAtuStep[b + 1].freq - tabAtuStep[b].freq) / tabAtuStep[b].step; }

// First slot index of every region, and the total (4649).
struct FirstSlots {
  int first[kRegions + 1];
  constexpr FirstSlots() : first() {
    for (int b = 0; b < kRegions; ++b) first[b + 1] = first[b] + slotCount(b);
  }
};
constexpr FirstSlots kFirst;
constexpr int kSlotsTotal = kFirst.first[kRegions];
static_assert(kSlotsTotal == 4649);

}  // namespace

int AtuIdxSearch(int32_t freq, int32_t* regionStart, int32_t* regionEnd, int* firstIdx, int* endIdx) {
  int b = 0;
  if (freq < 0) {
    // A frequency read from a damaged reply would otherwise fall through to the
    // last region and land on a slot of 21 MHz: give it no slot at all.
    *regionStart = tabAtuStep[0].freq;
    *regionEnd = tabAtuStep[1].freq;
    *firstIdx = 0;
    *endIdx = 0;  // an empty range: no neighbour serves it either
    return -1;
  }
  // The last region catches everything from 50 MHz up.
  while (b < kRegions - 1 && !(tabAtuStep[b].freq <= freq && freq < tabAtuStep[b + 1].freq)) ++b;
  const StepPair& p = tabAtuStep[b];
  *regionStart = p.freq;
  *regionEnd = tabAtuStep[b + 1].freq;
  *firstIdx = kFirst.first[b];
  *endIdx = kFirst.first[b] + slotCount(b);
  // 64-bit: a frequency near the top of the 32-bit range must not overflow.
  int64_t idx = kFirst.first[b] + (int64_t{freq} + p.step / 2 - p.freq) / p.step;
  if (freq > *regionEnd) ++idx;
  return static_cast<int>(std::clamp<int64_t>(idx, INT32_MIN, INT32_MAX));
}

int32_t AtuFreqfromIdx(int idx) {
  if (idx < 0) return 0;
  for (int b = 0; b < kRegions; ++b)
    if (kFirst.first[b + 1] >= idx) return tabAtuStep[b].freq + (idx - kFirst.first[b]) * tabAtuStep[b].step;
  // Beyond 54 MHz the slot scheme has no regions; AtuIdxSearch counts on from
  // 54000000 in steps of the last region, one index higher, so invert that.
  constexpr int32_t kTop = 54000000, kTopStep = 50000;
  int64_t f = kTop + int64_t{idx - (kSlotsTotal + 1)} * kTopStep;
  return static_cast<int32_t>(std::min<int64_t>(f, INT32_MAX));
}
