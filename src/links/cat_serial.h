#pragma once
// The FT-817 CAT link.
#include <atomic>
#include <cstdint>

struct Works;

// Thread body: polls the transceiver on CatSerialPort (38 400 baud, two stop
// bits) with "read frequency and mode" and keeps `catSerFreq`, while
// `enaCatSer` is '1'. A port that cannot be opened sets link fault 2 and is
// tried again every 5 s (at once after RequestCatSerialReopen).
void CatSerial(Works* works);
// Asks the link to try its port again at once (the Retry key). Any thread.
void RequestCatSerialReopen(Works* works);
// Writes every byte and restarts the reply time-out; the result of the last write.
long writeSerialCatPort(int fd, const uint8_t* data, int length, Works* works);

// Poll-cycle state: 3 send the request, 2 collect the reply, 1 decode it.
extern std::atomic<int> catProcessStatus;
// 1 ms polls without a byte since the request was written.
extern std::atomic<int> counterimeoutCAT;
