#include "remote/audio.h"

#include "state/idle_thread.h"
#include "state/setup_record.h"
#include "state/works.h"

// Remote audio: capture (th_leggi) and playback (th_scrivi).
void th_leggi(Works* works) { IdleUntilStopped(works, &works->setup->EnableRead); }
void th_scrivi(Works* works) { IdleUntilStopped(works, &works->setup->EnableWrite); }
