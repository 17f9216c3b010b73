#include "links/vyr_read.h"

#include "state/idle_thread.h"
#include "state/setup_record.h"
#include "state/works.h"

// The USB receiver and spectrum thread.
void VYRRead(Works* works) { IdleUntilStopped(works, &works->setup->EnableFFT); }
