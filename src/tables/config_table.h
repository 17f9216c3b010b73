#pragma once
struct Works;

// Band configuration table "/opt/set/config.txt".
void ReadConfigFile(Works* works);
// Selects the band segment of `freq` and queues its protection thresholds.
void SearchCambioSoglie_TS(Works* works);
