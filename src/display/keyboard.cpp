#include "display/keyboard.h"

#include "state/idle_thread.h"

// The service keyboard thread.
void keyb(Works* works) { IdleUntilStopped(works); }
