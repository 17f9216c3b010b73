#pragma once
// What remote operation needs before it is switched on: the companion's USB
// receiver, its CAT port and the USB audio codec. The codec check is also the
// audio threads' watchdog.
struct Works;

// 0 all present; 1 receiver missing (or USB not usable), 2 CAT port not
// answering, 3 audio codec missing.
int Find_Remote_Settings(Works* works);
// The number of USB listing lines of the codec's vendor, each written on
// standard error.
int Get_AudioVYR(Works* works);
// 1 while the codec is on the bus, 0 when it is gone.
int VerifyAudioVYR(Works* works);
