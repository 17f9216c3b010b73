#pragma once
struct Works;

// Thread bodies of the remote audio: playback ("scrivi", write) and capture
// ("leggi", read).
void th_scrivi(Works* works);  // plays what the peer sends
void th_leggi(Works* works);   // captures and sends to the peer
