#pragma once
struct Works;

// Thread body of the FT-817 CAT link.
void CatSerial(Works* works);
