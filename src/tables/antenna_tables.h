#pragma once
// The band table of a bank ("antenna.txt", "antenna_b1.txt" ... "antenna_b19.txt"):
// for each band the antenna, amplifier bypass, attenuation, tuner bypass and a
// power value, headed by the transceiver interface the bank was made for.
#include <string>

struct Works;

inline constexpr int kBandRowNone = 100;

// Interface labels of ModeWorkIdx 0..2.
extern const char* const MODEwork[3];

// Loads the bank's band table; returns the interface type of its header.
int LoadTabConfig(Works* works, int bank);
// Fills the default table: flag 0 every field, 1 names and ranges only.
void InitTabAntenna(Works* works, int flag);
// Writes the bank's band table.
void SaveTabConfig(Works* works, int bank);
// Loads a bank: its band table and the three tuner memories, then applies the
// interface type.
void LoadAllBankTable(Works* works, int bank);
// Copies the present antenna, tuner bypass and attenuation into the band row
// that holds `freq`, then writes the bank's band table.
void SaveToBank(Works* works, int bank, int antenna);
// Edits the cell of the memory-table page under the cursor; direction 0 up, 1 down.
void ModifytabAntenna(Works* works, int direction);
// Applies the band row that holds `freq`: antenna, tuner, amplifier bypass and
// attenuation.
void GestioneAntennaAutomatica(Works* works);

// The parser behind LoadTabConfig: fills the table from a file's text and
// returns the interface type (no repair, `bandRowIdx` untouched).
int ParseTabConfig(Works* works, const std::string& text);
// The file text for the table in memory with the header of `type`.
std::string FormatTabConfig(Works* works, int type);
