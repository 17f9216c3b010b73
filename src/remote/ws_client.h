#pragma once
struct Works;

// Thread body of the WebSocket client.
void Wclient(Works* works);
