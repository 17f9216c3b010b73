#include "tune/fast_search.h"

#include <algorithm>
#include <array>
#include <vector>

#include "state/works.h"
#include "tables/tuner_memory.h"
#include "tune/autotune.h"
#include "tune/tune_records.h"
#include "tune/tune_word.h"

namespace {

constexpr int kTop = 511;
// Grid values of each network: four to a side, a factor of four apart, so the
// pattern search starts within a factor of two of any setting.
constexpr std::array<int, 4> kGrid = {3, 15, 60, 240};
// A stored neighbour this good is refined directly, without the grid.
constexpr float kGoodStart = 2.0f;

struct Setting {
  int mode, l, c;
};

struct Search {
  std::vector<Setting> queue;  // settings to measure, next first
  Setting probe{};             // the setting being measured now
  bool fromMemory = false;     // the first setting is a stored neighbour's
  bool patterning = false;
  Setting centre{}, previous{};  // previous: the centre before the last move
  float centreSwr = 0;
  int stepL = 0, stepC = 0;
  int first = 0, tried = 0;  // the four moves are tried from `first` on
  int measured = 0;
};

Search gSearch;  // guarded by the tune records' lock, as TuneTask holds it

void apply(Works* w, const Setting& s) {
  WaitSemaforoTuneval(w);
  SetMode(w, s.mode);
  SetI(w, s.l);
  SetC(w, s.c);
  w->tuneL = s.l;
  w->tuneC = s.c;
  StopSemaforoTuneval(w);
  gSearch.probe = s;
}

bool storedNeighbour(Works* w, Setting* out) {
  int32_t start, end;
  int first, stop;
  const int idx = AtuIdxSearch(static_cast<int32_t>(w->freq.load()), &start, &end, &first, &stop);
  if (idx < 0) return false;
  const int found = SearchBestTune(w, idx, first, stop, w->antennaIndex);
  if (found < 0) return false;
  TuneMemEntry e{};
  LoadTuneValFromTabRam(&e, found, w->antennaIndex, w);
  if (e.mode != 1 && e.mode != 2) return false;
  *out = Setting{e.mode, std::min<int>(e.L, kTop), std::min<int>(e.C, kTop)};
  return true;
}

void queueGrid() {
  for (int mode : {1, 2})
    for (int l : kGrid)
      for (int c : kGrid) gSearch.queue.push_back(Setting{mode, l, c});
}

void startPattern(const TuneParam& best) {
  Search& s = gSearch;
  s.patterning = true;
  s.centre = Setting{DecodeModoFromTuneval(best.word), best.L, best.C};
  s.centreSwr = best.swr;
  s.stepL = std::max(1, s.centre.l / 2);
  s.stepC = std::max(1, s.centre.c / 2);
  s.previous = Setting{-1, -1, -1};
  s.first = s.tried = 0;
}

bool same(const Setting& a, const Setting& b) { return a.mode == b.mode && a.l == b.l && a.c == b.c; }

// The next of the four moves around the centre that stays inside the banks;
// false when all four have been tried at this step size.
bool nextMove(Setting* out) {
  Search& s = gSearch;
  while (s.tried < 4) {
    Setting m = s.centre;
    const int d = (s.first + s.tried++) % 4;
    if (d == 0) m.l += s.stepL;
    if (d == 1) m.l -= s.stepL;
    if (d == 2) m.c += s.stepC;
    if (d == 3) m.c -= s.stepC;
    // The way back to where the centre came from is known to be worse.
    if (m.l >= 0 && m.l <= kTop && m.c >= 0 && m.c <= kTop && !same(m, s.previous)) {
      *out = m;
      return true;
    }
  }
  return false;
}

// Pattern search: move to any better neighbour and try the same way again;
// halve the steps when none is better; stop when single steps find nothing.
bool patternStep(float swr, Setting* next) {
  Search& s = gSearch;
  if (swr < s.centreSwr) {
    // Moved: the move that paid is tried again first, then the others.
    s.first = (s.first + s.tried - 1) % 4;
    s.tried = 0;
    s.previous = s.centre;
    s.centre = s.probe;
    s.centreSwr = swr;
  }
  if (nextMove(next)) return true;
  if (s.stepL == 1 && s.stepC == 1) return false;
  s.stepL = std::max(1, s.stepL / 2);
  s.stepC = std::max(1, s.stepC / 2);
  s.first = s.tried = 0;
  s.previous = Setting{-1, -1, -1};
  return nextMove(next);
}

}  // namespace

void FastSearchStart(Works* w) {
  gSearch = Search{};
  Setting neighbour;
  if (storedNeighbour(w, &neighbour)) {
    gSearch.queue.push_back(neighbour);
    gSearch.fromMemory = true;
  }
  queueGrid();
  std::reverse(gSearch.queue.begin(), gSearch.queue.end());  // taken from the back
  Setting first = gSearch.queue.back();
  gSearch.queue.pop_back();
  apply(w, first);
}

bool FastSearchStep(Works* w) {
  Search& s = gSearch;
  const TuneRecords& r = TuneRecordsRef();
  const float swr = r.tuneParam.swr;
  ++s.measured;
  Setting next{};
  bool more = s.measured < kFastSearchBudget;
  if (more && !s.patterning) {
    // A stored neighbour that is already close needs no grid.
    if (s.measured == 1 && s.fromMemory && swr <= kGoodStart) s.queue.clear();
    if (!s.queue.empty()) {
      next = s.queue.back();
      s.queue.pop_back();
    } else {
      startPattern(r.miglioretuneParam);
      more = nextMove(&next);
    }
  } else if (more) {
    more = patternStep(swr, &next);
  }
  if (!more) {
    TuneEnd(w);
    return false;
  }
  apply(w, next);
  return true;
}
