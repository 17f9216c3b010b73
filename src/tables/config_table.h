#pragma once
// Band configuration table "/opt/set/config.txt": per frequency segment the
// calibration of the three power detectors and the protection thresholds that
// the amplifier's microcontroller enforces ("TS" command, code 22).
#include <cstdint>
#include <string_view>
#include <vector>

#include "state/table_types.h"

struct Works;

// Coefficient kinds of SearchK.
enum ConfigKind { kKFwd = 0, kKRefl = 1, kKIn = 2, kKReflCorr = 3 };

// Reads the table once at start-up into works->configTab / configRows. A
// missing file leaves the table empty (defaults are used).
void ReadConfigFile(Works* works);
// Coefficient of the given kind for the row that covers works->freq.
float SearchK(Works* works, int kind);
// Selects the row of works->freq and, when it differs from the one last sent,
// computes the four raw thresholds and queues command 22 ("TS").
void SearchCambioSoglie_TS(Works* works);

// Parsing, shared by the file reader and the fuzz target. A line is parsed as
// one row (comments are the caller's business). The thirteen numbers up to the
// forward-power limit must be there, the tuning start points may be missing
// (they read as 0), and nothing else may follow: otherwise the row is not
// `usable`.
ConfigRow ParseConfigLine(std::string_view line);
// Every line of a whole file's text that is neither a comment nor blank, in
// order; a line that does not read is logged with its number.
std::vector<ConfigRow> ParseConfigText(std::string_view text);
// Index of the usable row covering `freq`, or -1 (the last row is never
// selected, and a row that did not read covers nothing).
int ConfigRowFor(const std::vector<ConfigRow>& rows, uint32_t freq);
// Raw 12-bit threshold for a power limit and detector coefficient:
// sqrt(limit / k), truncated and limited to 0..4095.
int PowerThresholdRaw(double limit, double k);
// Raw 12-bit threshold for a current limit: limit x 4096 / 14.05, limited.
int CurrentThresholdRaw(double amperes);
