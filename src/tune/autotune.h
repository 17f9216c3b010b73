#pragma once
struct Works;

// One step of the automatic tune, run by the link after each status reply
// while `tunerRunning` is 1.
void TuneTask(Works* works);
