#include "state/idle_thread.h"
#include "remote/ws_server.h"

// The WebSocket server thread.
void Wsocket(Works* works) { IdleUntilStopped(works); }
