#include "remote/ws_client.h"

#include "state/idle_thread.h"

// The WebSocket client thread.
void Wclient(Works* works) { IdleUntilStopped(works); }
