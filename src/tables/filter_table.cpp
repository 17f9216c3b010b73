#include "tables/filter_table.h"

// Placeholder until the filter table is built.
void LoadTabFiltri(Works*) {}
