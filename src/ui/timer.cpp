#include "core/idle_thread.h"
#include "core/thread_table.h"

// The timer loop: redraws the screen every tick and follows the frequency.
void timer(Works* works) { IdleUntilStopped(works); }
