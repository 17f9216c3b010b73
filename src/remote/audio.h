#pragma once
struct Works;

// Thread bodies of the remote audio: playback ("scrivi", write) and capture
// ("leggi", read).
void th_scrivi(Works* works);
void th_leggi(Works* works);
