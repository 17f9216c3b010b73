#include "core/idle_thread.h"
#include "core/setup_record.h"
#include "core/thread_table.h"
#include "core/works.h"

// The CAT relay to the remote peer.
void Cat(Works* works) { IdleUntilStopped(works, &works->setup->EnableCAT); }
