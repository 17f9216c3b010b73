#pragma once
// The setup file "/opt/set/setup.txt": one "Key: value" line per setting, 65
// keys in a fixed order.
struct Works;

inline constexpr const char* kSetupPath = "/opt/set/setup.txt";
inline constexpr const char* kWsPassword = "lindoramesca";

// Defaults: InitGlobalVar, the passphrase, and every setting of the record.
void initSetup(Works* works);
// initSetup, then the file; a missing file is written with the defaults.
void readSetup(Works* works);
// Rewrites the whole file from memory inside the remount bracket. Returns 0.
int writeSetup(Works* works);
