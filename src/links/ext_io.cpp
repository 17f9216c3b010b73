#include "core/idle_thread.h"
#include "core/setup_record.h"
#include "core/thread_table.h"
#include "core/works.h"
#include "links/ext_io.h"

// The external IO serial link of the companion transceiver.
void Serial(Works* works) { IdleUntilStopped(works, &works->setup->enaser); }

void getParameters(Works*) {}
