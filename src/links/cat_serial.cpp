#include "links/cat_serial.h"

#include "state/idle_thread.h"
#include "state/setup_record.h"
#include "state/works.h"

// The FT-817 CAT serial link.
void CatSerial(Works* works) { IdleUntilStopped(works, &works->setup->enaCatSer); }
