#include "tune/fast_search.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "state/works.h"
#include "tables/tuner_memory.h"
#include "tune/tune_records.h"
#include "tune/tune_word.h"

namespace {

constexpr int kTop = 511;
// Grid values of each network, a factor of four apart, so the pattern search
// starts within a factor of two of any setting; the coil also gets its
// smallest value, which the upper bands need.
constexpr std::array<int, 4> kGridL = {1, 8, 32, 128};
constexpr std::array<int, 3> kGridC = {8, 32, 128};
// A stored neighbour this good is refined directly, without the grid.
constexpr float kGoodStart = 2.0f;
// A first pattern search that ends above this tries again from the best grid
// point of the other network, when the budget still allows a search.
constexpr float kGoodEnough = 1.5f;
constexpr int kSecondSearchMin = 16;
constexpr int kNeighbourStep = 2;

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
  std::vector<std::pair<float, Setting>> grid;  // what the grid measured
  bool secondStart = false;
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

// Row by row, every other row backwards, so each step moves one bank only.
void queueGrid() {
  bool backwards = false;
  for (int mode : {1, 2}) {
    for (int l : kGridL) {
      for (size_t i = 0; i < kGridC.size(); ++i)
        gSearch.queue.push_back(Setting{mode, l, kGridC[backwards ? kGridC.size() - 1 - i : i]});
      backwards = !backwards;
    }
  }
}

void startPattern(const Setting& centre, float swr) {
  Search& s = gSearch;
  s.patterning = true;
  s.centre = centre;
  s.centreSwr = swr;
  s.stepL = std::max(1, s.centre.l / 2);
  s.stepC = std::max(1, s.centre.c / 2);
  s.previous = Setting{-1, -1, -1};
  s.first = s.tried = 0;
}

bool same(const Setting& a, const Setting& b) { return a.mode == b.mode && a.l == b.l && a.c == b.c; }

// Moves around the centre: along each bank, then along both at once, which
// follows the diagonal valleys where the two banks trade against each other.
constexpr int kMoves[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1}};

// The next move around the centre that stays inside the banks; false when all
// have been tried at this step size.
bool nextMove(Setting* out) {
  Search& s = gSearch;
  while (s.tried < 8) {
    const int d = (s.first + s.tried++) % 8;
    Setting m = s.centre;
    m.l += kMoves[d][0] * s.stepL;
    m.c += kMoves[d][1] * s.stepC;
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
    s.first = (s.first + s.tried - 1) % 8;
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

// The best grid point of the network the first search did not start in.
bool otherStart(int mode, Setting* out, float* swr) {
  bool found = false;
  for (const auto& [value, setting] : gSearch.grid) {
    if (setting.mode == mode || (found && value >= *swr)) continue;
    *out = setting;
    *swr = value;
    found = true;
  }
  return found;
}

bool FastSearchStep(Works* w) {
  Search& s = gSearch;
  const TuneRecords& r = TuneRecordsRef();
  const float swr = r.tuneParam.swr;
  ++s.measured;
  Setting next{};
  bool more = s.measured < kFastSearchBudget;
  if (more && !s.patterning) {
    s.grid.emplace_back(swr, s.probe);
    // A stored neighbour that is already close needs no grid.
    const bool closeNeighbour = s.measured == 1 && s.fromMemory && swr <= kGoodStart;
    if (closeNeighbour) s.queue.clear();
    if (!s.queue.empty()) {
      next = s.queue.back();
      s.queue.pop_back();
    } else {
      const TuneParam& best = r.miglioretuneParam;
      startPattern(Setting{DecodeModoFromTuneval(best.word), best.L, best.C}, best.swr);
      // A neighbouring slot's setting is a few steps from this one's at most.
      if (closeNeighbour) s.stepL = std::min(s.stepL, kNeighbourStep), s.stepC = std::min(s.stepC, kNeighbourStep);
      more = nextMove(&next);
    }
  } else if (more) {
    more = patternStep(swr, &next);
    Setting start;
    float startSwr = 0;
    if (!more && !s.secondStart && r.miglioretuneParam.swr > kGoodEnough &&
        s.measured + kSecondSearchMin <= kFastSearchBudget && otherStart(s.centre.mode, &start, &startSwr)) {
      s.secondStart = true;
      startPattern(start, startSwr);
      more = nextMove(&next);
    }
  }
  if (!more) return false;
  apply(w, next);
  return true;
}
