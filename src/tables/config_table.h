#pragma once
// Band configuration table "/opt/set/config.txt": per frequency segment the
// calibration of the three power detectors and the protection thresholds that
// the amplifier's microcontroller enforces ("TS" command, code 22).
#include <cstdint>
#include <string_view>
#include <vector>

struct Works;

// One segment: it covers its own start frequency up to, not including, the
// start frequency of the next row.
struct ConfigRow {
  uint32_t startFreq = 0;  // Hz
  uint32_t endFreq = 0;    // Hz, as written; logged only
  float kFwd = 0;          // forward watts = kFwd x reading^2
  float kRefl = 0;         // reflected watts = kRefl x reading^2
  float kIn = 0;           // input (drive) watts = kIn x reading^2
  float kReflCorr = 0;     // fraction of the forward power added to the reflected
  float maxPWIN = 0;       // W
  float maxCorrente = 0;   // A
  float maxREFL = 0;       // W
  float maxFWD = 0;        // W
  int32_t startL[5] = {};  // tuning start points; read and logged only
  int32_t startC[5] = {};
  int32_t startStep = 0;
  // The input calibration point as read, kept for the log line.
  float inPower = 0, inReading = 0;
};

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
// one row (comments are the caller's business); fields that are missing or
// malformed read as 0.
ConfigRow ParseConfigLine(std::string_view line);
// Every non-comment line of a whole file's text, in order.
std::vector<ConfigRow> ParseConfigText(std::string_view text);
// Index of the row covering `freq`, or -1 (the last row is never selected).
int ConfigRowFor(const std::vector<ConfigRow>& rows, uint32_t freq);
// Raw 12-bit threshold for a power limit and detector coefficient:
// sqrt(limit / k), truncated and limited to 0..4095.
int PowerThresholdRaw(double limit, double k);
// Raw 12-bit threshold for a current limit: limit x 4096 / 14.05, limited.
int CurrentThresholdRaw(double amperes);
