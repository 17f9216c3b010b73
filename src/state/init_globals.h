#pragma once
struct Works;

// Sets the start-up defaults of `works` and the process-wide globals. The
// command ring is left alone, so codes queued before the setup file is read
// survive.
void InitGlobalVar(Works* works);
