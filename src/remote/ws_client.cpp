#include "state/idle_thread.h"
#include "remote/ws_client.h"

// The WebSocket client thread.
void Wclient(Works* works) { IdleUntilStopped(works); }
