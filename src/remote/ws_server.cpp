#include "core/idle_thread.h"
#include "core/thread_table.h"

// The WebSocket server thread.
void Wsocket(Works* works) { IdleUntilStopped(works); }
