#include "links/cat_relay.h"

#include "state/idle_thread.h"
#include "state/setup_record.h"
#include "state/works.h"

// The CAT relay to the remote peer.
void Cat(Works* works) { IdleUntilStopped(works, &works->setup->EnableCAT); }
