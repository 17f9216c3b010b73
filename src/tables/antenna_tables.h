#pragma once
struct Works;

// Loads a bank: its band table and the three tuner memories.
void LoadAllBankTable(Works* works, int bank);
