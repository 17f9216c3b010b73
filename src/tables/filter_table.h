#pragma once
// Band filter table "/opt/set/filter.txt": for each of the eight filters, the
// range it serves and whether it may be used. The first usable filter whose
// range holds the frequency is sent to the amplifier ("SF", command 28).
#include <string>

struct Works;

inline constexpr const char* kFilterPath = "/opt/set/filter.txt";

// Loads the table; a missing file leaves every filter disabled.
void LoadTabFiltri(Works* works);
// Selects the filter for `freq` and queues "SF" when the selection changed.
void SetFilterFromfreq(Works* works);
// Enables (1) or disables (0) entry `filterSel`, re-selects and saves.
void EnDisFilter(Works* works, int value);
// Writes the whole table to the file.
void SaveTabFiltri(Works* works);

// The file text for the table in memory, and the table parsed from a text (the
// parser behind LoadTabFiltri).
std::string FormatTabFiltri(Works* works);
void ParseTabFiltri(Works* works, const std::string& text);  // parses the filter table ("filtri")
