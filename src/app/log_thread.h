#pragma once
// The log writer ("log"): the writes to the system log and the standard
// streams are done on this one thread, so no thread that logs ever waits on
// them. Started first and stopped last, so the lines of the start-up and of
// the shut-down are all written.
// Starts it; from then on log lines are queued instead of written by their caller.
void StartLogThread();
// Writes every line still queued and joins it; later lines are written by
// their caller again.
void StopLogThread();
