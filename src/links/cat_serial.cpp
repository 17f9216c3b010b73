#include "core/idle_thread.h"
#include "core/setup_record.h"
#include "core/thread_table.h"
#include "core/works.h"

// The FT-817 CAT serial link.
void CatSerial(Works* works) { IdleUntilStopped(works, &works->setup->enaCatSer); }
