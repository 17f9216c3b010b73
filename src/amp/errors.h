#pragma once
// The error and warning list: numbered errors 0..24 raised and cleared by any thread.
struct Works;

void AddErrore(Works* works, int code);
void DeleteErrore(Works* works, int code);
