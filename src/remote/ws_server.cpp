#include "remote/ws_server.h"

#include "state/idle_thread.h"

// The WebSocket server thread.
void Wsocket(Works* works) { IdleUntilStopped(works); }
