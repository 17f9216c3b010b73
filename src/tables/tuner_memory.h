#pragma once
// Tuner memory: for each antenna and frequency slot, the tuner setting that
// matched the antenna there. Three memories in RAM (one per antenna) hold the
// current bank; each bank keeps three files "atu_antN[_bK].txt".
#include <cstdint>
#include <string>

#include "state/table_types.h"

struct Works;

// Slot of `freq` (Hz); delivers its region's start and end frequency and its
// first and one-past-last slot index.
int AtuIdxSearch(int32_t freq, int32_t* regionStart, int32_t* regionEnd, int* firstIdx, int* endIdx);
// Frequency of slot `idx`.
int32_t AtuFreqfromIdx(int idx);

// Stores an entry in slot `idx` of the antenna's memory in RAM ("su": into).
void SaveTuneValsuTabRam(const TuneMemEntry* entry, int idx, int antenna, Works* works);
// Reads slot `idx` of the antenna's memory in RAM.
void LoadTuneValFromTabRam(TuneMemEntry* entry, int idx, int antenna, Works* works);
// Nearest valid slot to `idx` in [firstIdx, endIdx), the lower one on a tie;
// -1 when none. The range is one region, so a setting never crosses into the
// next region.
int SearchBestTune(Works* works, int idx, int firstIdx, int endIdx, int antenna);
// 1 when nothing stored in the region can serve `idx`, 0 when some setting can.
int EsisteTuneValInTabRam(Works* works, int idx, int firstIdx, int endIdx, int antenna);
// Queues command 27 (load from memory) or 40 (neutral setting) for `freq`.
void GestioneLoadTuneVal(Works* works, int flag);
// Loads the best stored setting of `freq` for `antenna` into the tune word.
// The caller holds the tune-word semaphore.
void LoadTuneFromMEM(Works* works, int antenna);
// Stores the present tune word in the slot of `freq` and writes the file.
void InsertTuneToMem(Works* works, int bank, int antenna);
// Reads the tuner memory file of a bank and antenna.
void LoadTabAtu(Works* works, int bank, int antenna);
// Writes the tuner memory file of a bank and antenna.
void SaveTabAtu(Works* works, int bank, int antenna);

// The parser behind LoadTabAtu (clears the antenna's memory first) and the file
// text of an antenna's memory.
void ParseTabAtu(Works* works, int antenna, const std::string& text);
std::string FormatTabAtu(Works* works, int antenna);  // the file text of the antenna's tuner memory
