#pragma once
// "/opt/set" is mounted read-only and remounted writable only around a write.
// Calls nest across threads: the first RemountSetRW remounts writable, the
// matching last RemountSetRO remounts read-only. Call RemountSetRO only after
// a RemountSetRW that returned true. Both log the system's failure texts.
bool RemountSetRW();
bool RemountSetRO();
