#include "state/idle_thread.h"
#include "display/keyboard.h"

// The service keyboard thread.
void keyb(Works* works) { IdleUntilStopped(works); }
