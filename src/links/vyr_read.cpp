#include "core/idle_thread.h"
#include "core/setup_record.h"
#include "core/thread_table.h"
#include "core/works.h"

// The USB receiver and spectrum thread.
void VYRRead(Works* works) { IdleUntilStopped(works, &works->setup->EnableFFT); }
