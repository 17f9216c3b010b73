#include "core/idle_thread.h"
#include "core/setup_record.h"
#include "core/thread_table.h"
#include "core/works.h"

// Remote audio: capture (th_leggi) and playback (th_scrivi).
void th_leggi(Works* works) { IdleUntilStopped(works, &works->setup->EnableRead); }
void th_scrivi(Works* works) { IdleUntilStopped(works, &works->setup->EnableWrite); }
