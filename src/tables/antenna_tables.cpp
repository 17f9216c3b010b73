#include "tables/antenna_tables.h"

// Placeholder until the antenna tables are built.
void LoadAllBankTable(Works*, int) {}
