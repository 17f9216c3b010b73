#pragma once
struct Works;

// Thread body of the WebSocket server: one peer at a time on `tcpPort`.
void Wsocket(Works* works);
// The port the server listens on, 0 while it does not (tests start it on
// port 0 and ask which one it got).
int WsocketListeningPort();
