#include "tune/autotune_control.h"

#include "platform/log.h"

// TODO: the automatic tune's start and end come with the tuning cycle; until
// then a request is only logged, so the handshake that asks for it can run.
void StartAutotune(Works*) { platform::errPrintf("StartAutotune: automatic tuning not available\n"); }

void EscAutoTune(Works*, int) { platform::errPrintf("EscAutoTune: automatic tuning not available\n"); }
