#pragma once
// "/opt/set" is mounted read-only and remounted writable only around a write.
// Both return true on success and log the failure texts of the system.
bool RemountSetRW();
bool RemountSetRO();
