#include "links/ext_io.h"

#include "state/idle_thread.h"
#include "state/setup_record.h"
#include "state/works.h"

// The external IO serial link of the companion transceiver.
void Serial(Works* works) { IdleUntilStopped(works, &works->setup->enaser); }

void getParameters(Works*) {}
