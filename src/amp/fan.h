#pragma once
// Fan curve "/opt/set/ventola.txt" and the fan speed control with hysteresis.
#include <string_view>
#include <vector>

#include "state/table_types.h"

struct Works;

// Reads the fan table at start-up into works->ventolaTab / ventolaRows.
void ReadVentolaFile(Works* works);
// Parses the text of a fan table: every non-comment line is a row.
std::vector<FanRow> ParseVentolaText(std::string_view text);

// Fan control step, run after every status reply: picks the speed for the
// hotter sensor and queues "FN" (code 23) when stepping up, or when stepping
// down after the temperature has fallen Isteresi2 below the current step.
void searchPercentVentola(Works* works);
// Temperature of the first row whose speed equals `percent`; 0 if none.
float SearchTemperatureFromVentola(Works* works, int percent);
// Speed of the row for temperature t (the first row below the table, the last
// row above it); -1 when the table is empty.
int FanPercentFor(const std::vector<FanRow>& rows, float t);
