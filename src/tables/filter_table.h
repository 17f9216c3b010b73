#pragma once
struct Works;

// Band filter table "/opt/set/filter.txt".
void LoadTabFiltri(Works* works);
