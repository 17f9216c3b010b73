#pragma once
// Remote audio: what the sound card hears goes to the peer as "SO" frames,
// and what the peer sends is played, both ways at once.
#include <cstddef>
#include <cstdint>

#include "remote/audio_codec.h"

struct Works;

void th_scrivi(Works* works);  // owns the playback device
void th_leggi(Works* works);   // captures and sends to the peer
void ExitAUDIOread(Works* works);
void ExitAUDIOwrite(Works* works);

// Encodes one captured stereo period and sends it as one "SO" frame; nothing
// without a connected peer. Bytes written, 0 when nothing was sent.
int sendWebSockAudioFrame(Works* works, const int16_t* stereo);

// Plays a received "SO" payload; the connection thread calls it. `server`
// selects the server's rules (plays only on a ready device, writes again
// after an underrun). False when the client must drop the connection.
bool PlayAudioPacket(Works* works, bool server, PlaybackLimiter& limiter, const uint8_t* data, size_t length);

// Refuses audio settings that cannot work (a period Opus cannot code while
// compression is on) with a clear error, turning the audio threads' flags
// off. True when the settings are usable.
bool CheckAudioSettings(Works* works);
