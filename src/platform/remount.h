#pragma once
// "/opt/set" is mounted read-only and remounted writable only around a write.
// Calls nest across threads: the first RemountSetRW remounts writable, the
// matching last RemountSetRO remounts read-only. Call RemountSetRO only after
// a RemountSetRW that returned true. Both log the system's failure texts.
#include <string>

bool RemountSetRW();
bool RemountSetRO();

// One file under "/opt/set" written now, atomically, inside its own bracket:
// for the secrets (`mode` 0600) that must be on the card before the caller
// answers. False, errno set, when the remount or the write fails.
bool WriteSettingsFileNow(const std::string& systemPath, const std::string& content, int mode);
