#pragma once
// The setup file "/opt/set/setup.txt": one "Key: value" line per setting, 65
// keys in a fixed order.
#include <string>

#include "state/remote_settings.h"

struct Works;

inline constexpr const char* kSetupPath = "/opt/set/setup.txt";

// Defaults: InitGlobalVar, the passphrase, and every setting of the record.
void initSetup(Works* works);
// initSetup, then the file; a missing file is written with the defaults.
void readSetup(Works* works);
// Hands the whole file, formatted from memory, to the file writer; returns 0
// at once. A file that could not be read at start is never overwritten. The
// writer thread writes it at most once every kSetupSpacingMs, the latest
// settings winning.
inline constexpr int kSetupSpacingMs = 1000;
int writeSetup(Works* works);
// The lines of a setup file's text into the record (the part of readSetup
// after the file is read; the fuzz target feeds it).
void ParseSetupText(Works* works, const std::string& text);
