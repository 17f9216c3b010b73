#include "core/idle_thread.h"
#include "core/thread_table.h"

// The amplifier link thread.
void Linear(Works* works) { IdleUntilStopped(works); }
