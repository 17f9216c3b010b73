#pragma once
// Banks: up to 20 independent sets of band table and tuner memories, each made
// for one transceiver interface.
struct Works;

// File kinds of a bank for DeleteFileConf.
inline constexpr int kFileTuneMem1 = 0;  // 0, 1, 2: tuner memory of antenna 1, 2, 3
inline constexpr int kFileBandTable = 3;

// Moves to the next bank, wrapping to 0 at MAXbank, saves the setup and loads it.
void ChangeBanco(Works* works);
// Moves the current bank to the next interface type and records it in its file.
void ChangeInterfaceBanco(Works* works);
// Deletes one file of a bank.
void DeleteFileConf(Works* works, int bank, int kind);
// Copies bank `from` (band table and three tuner memories) to bank `to`; the
// tables in memory are afterwards the current bank's, as its files hold them.
// The copy's header records the current interface type (ModeWorkIdx).
void CopyBank(Works* works, int from, int to);
// Deletes the files of bank `bank`, or of every bank when it equals MAXbank,
// then reloads the current bank so missing files come back as defaults.
void ResetBank(Works* works, int bank);
