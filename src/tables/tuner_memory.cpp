#include "tables/tuner_memory.h"

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/works.h"
#include "tables/table_io.h"
#include "tune/tune_word.h"

namespace {

bool validSlot(int idx) { return idx >= 0 && idx < kTuneMemSlots; }
bool validAntenna(int antenna) { return antenna >= 0 && antenna < kTuneMemAntennas; }

struct Slot {
  int idx, first, end;
};

Slot slotOf(Works* works) {
  int32_t start, stop;
  Slot s{};
  s.idx = AtuIdxSearch(static_cast<int32_t>(works->freq.load()), &start, &stop, &s.first, &s.end);
  return s;
}

// Caller holds tuneMemMutex.
int nearestValid(Works* works, int idx, int first, int end, int antenna) {
  if (!validAntenna(antenna)) return -1;
  int best = -1;
  int bestDistance = end - first;
  for (int j = std::max(first, 0); j < end && j < kTuneMemSlots; ++j) {
    if (!works->tuneMem[antenna][j].valid) continue;
    int d = std::abs(j - idx);
    if (d < bestDistance) best = j, bestDistance = d;
  }
  return best;
}

}  // namespace

void SaveTuneValsuTabRam(const TuneMemEntry* entry, int idx, int antenna, Works* works) {
  if (!validSlot(idx) || !validAntenna(antenna)) return;
  std::lock_guard lock(works->tuneMemMutex);
  works->tuneMem[antenna][idx] = *entry;
}

void LoadTuneValFromTabRam(TuneMemEntry* entry, int idx, int antenna, Works* works) {
  *entry = TuneMemEntry{};
  if (!validSlot(idx) || !validAntenna(antenna)) return;
  {
    std::lock_guard lock(works->tuneMemMutex);
    *entry = works->tuneMem[antenna][idx];
  }
  if (entry->mode == 3) entry->mode = 1;  // a bypass never comes back from the memory
}

int SearchBestTune(Works* works, int idx, int firstIdx, int endIdx, int antenna) {
  std::lock_guard lock(works->tuneMemMutex);
  return nearestValid(works, idx, firstIdx, endIdx, antenna);
}

int EsisteTuneValInTabRam(Works* works, int idx, int firstIdx, int endIdx, int antenna) {
  if (!validAntenna(antenna)) return 1;
  std::lock_guard lock(works->tuneMemMutex);
  if (validSlot(idx) && works->tuneMem[antenna][idx].valid) return 0;
  return nearestValid(works, idx, firstIdx, endIdx, antenna) < 0 ? 1 : 0;
}

void GestioneLoadTuneVal(Works* works, int /*flag*/) {
  if (works->tunerRunning != 0) return;
  Slot s = slotOf(works);
  if (EsisteTuneValInTabRam(works, s.idx, s.first, s.end, works->antennaIndex) == 0)
    IncPNTIn_CMDLinear(kCmdLoadTuneMem, works);
  else
    IncPNTIn_CMDLinear(kCmdNeutralTune, works);
}

void LoadTuneFromMEM(Works* works, int antenna) {
  Slot s = slotOf(works);
  int used = s.idx;
  TuneMemEntry entry;
  LoadTuneValFromTabRam(&entry, used, antenna, works);
  if (!entry.valid) {
    used = SearchBestTune(works, s.idx, s.first, s.end, antenna);
    if (used >= 0) LoadTuneValFromTabRam(&entry, used, antenna, works);
  }
  const uint32_t word = works->tuneWord;
  works->tuneC = DecodeCapacitaFromTuneval(word);
  works->tuneL = DecodeInduttanzaFromTuneval(word);
  works->tuneMode = static_cast<uint8_t>(DecodeModoFromTuneval(word));
  if (!entry.valid) return;
  if (entry.C == works->tuneC && entry.L == works->tuneL && entry.mode == works->tuneMode) return;
  SetC(works, entry.C);
  SetI(works, entry.L);
  SetMode(works, entry.mode);
  ReadTnePar(works);
  platform::errPrintf(">>>>>>>>>>>>>>> MEMTUNE: load a Tune for %ld idx:%d -> C %d I %d!!\n",
                      static_cast<long>(works->freq.load()), used, static_cast<int>(entry.C),
                      static_cast<int>(entry.L));
}

void InsertTuneToMem(Works* works, int bank, int antenna) {
  Slot s = slotOf(works);
  platform::errPrintf("--------------> Save Tune To File idx %d (idx:%d)\n", static_cast<int>(works->freq.load()),
                      s.idx);
  const uint32_t word = works->tuneWord;
  TuneMemEntry entry{};
  entry.valid = 1;
  entry.C = static_cast<uint16_t>(DecodeCapacitaFromTuneval(word));
  entry.L = static_cast<uint16_t>(DecodeInduttanzaFromTuneval(word));
  entry.mode = static_cast<uint8_t>(DecodeModoFromTuneval(word));
  platform::errPrintf("-------------- Save TuneVal C:%i, L:%i, M:%c\n", entry.C, entry.L, '0' + entry.mode);
  SaveTuneValsuTabRam(&entry, s.idx, antenna, works);
  SaveTabAtu(works, bank, antenna);
}

namespace {

// Slot, frequency, valid, mode, L, C and nothing after them.
bool readSlot(tables::NumberReader& in, TuneMemEntry& e) {
  in.decimal();  // the frequency column: the index alone decides the slot
  e.valid = static_cast<uint8_t>(in.unsignedDecimal());
  e.mode = static_cast<uint8_t>(in.unsignedDecimal());
  e.L = static_cast<uint16_t>(in.unsignedDecimal());
  e.C = static_cast<uint16_t>(in.unsignedDecimal());
  return in.ok() && in.atEnd();
}

}  // namespace

void ParseTabAtu(Works* works, int antenna, const std::string& text) {
  if (!validAntenna(antenna)) return;
  std::lock_guard lock(works->tuneMemMutex);
  auto& mem = works->tuneMem[antenna];
  std::memset(mem, 0, sizeof mem);
  int read = 0;
  size_t number = 0;
  for (const auto& line : tables::splitTableLines(text, "atu_ant.txt")) {
    ++number;
    if (read >= kTuneMemSlots) break;
    if (!line.empty() && line[0] == ';') continue;
    if (tables::blankLine(line)) continue;
    ++read;
    tables::NumberReader in(line);
    long idx = in.decimal();
    if (!in.ok() || idx < 0 || idx >= kTuneMemSlots) {
      platform::errPrintf("LoadTabAtu Errore idx\n");
      platform::outPrintf("LoadTabAtu Errore idx");
      continue;
    }
    TuneMemEntry e{};
    if (readSlot(in, e)) {
      mem[idx] = e;
    } else {
      // The slot stays empty rather than loading a half-read setting into the tuner.
      mem[idx] = TuneMemEntry{};
      platform::errPrintf("atu_ant.txt line %zu does not read as a stored tune: slot %ld left empty\n", number, idx);
    }
  }
}

void LoadTabAtu(Works* works, int bank, int antenna) {
  if (!validAntenna(antenna)) return;
  platform::FileRead file = tables::loadTableFile(tables::tuneMemPath(bank, antenna), "atu_ant.txt");
  ParseTabAtu(works, antenna, file.ok() ? file.bytes : std::string());
}

std::string FormatTabAtu(Works* works, int antenna) {
  std::string out;
  if (!validAntenna(antenna)) return out;
  std::lock_guard lock(works->tuneMemMutex);
  for (int i = 0; i < kTuneMemSlots; ++i) {
    const TuneMemEntry& e = works->tuneMem[antenna][i];
    if (!e.valid) continue;
    out += tables::format("%i %ld %i %i %i %i\n", i, static_cast<long>(AtuFreqfromIdx(i)), e.valid, e.mode, e.L, e.C);
  }
  return out;
}

void SaveTabAtu(Works* works, int bank, int antenna) {
  platform::errPrintf("SaveTabAtu Bank%i , antenna %i\n", bank, antenna);
  if (!validAntenna(antenna)) return;
  tables::saveTableFile(tables::tuneMemPath(bank, antenna), FormatTabAtu(works, antenna));
}
