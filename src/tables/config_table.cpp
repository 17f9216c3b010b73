#include "tables/config_table.h"

// Placeholders until the band configuration table is built.
void ReadConfigFile(Works*) {}
void SearchCambioSoglie_TS(Works*) {}
