#include "core/idle_thread.h"
#include "core/thread_table.h"

// The WebSocket client thread.
void Wclient(Works* works) { IdleUntilStopped(works); }
