#pragma once
struct Works;

// Fan curve "/opt/set/ventola.txt".
void ReadVentolaFile(Works* works);
