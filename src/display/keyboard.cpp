#include "core/idle_thread.h"
#include "core/thread_table.h"

// The service keyboard thread.
void keyb(Works* works) { IdleUntilStopped(works); }
