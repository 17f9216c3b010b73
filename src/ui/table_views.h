#pragma once
// The two tables the utilities pages show over the "statusB" picture: the
// bank's band memory table with its edit cursor, and the eight band filters.
struct Works;

void DrawBankTable(Works* works);
void DrawFilterTable(Works* works);
