#pragma once
#include <atomic>
#include <cstdint>

namespace platform {

// SIGTERM and SIGINT store 0 in `running`, so the normal shut-down runs and the
// process exits 0. SIGPIPE is ignored: a closed peer socket is an error return.
void installStopSignals(std::atomic<uint32_t>* running);

}  // namespace platform
