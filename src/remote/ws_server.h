#pragma once
struct Works;

// Thread body of the WebSocket server.
void Wsocket(Works* works);
