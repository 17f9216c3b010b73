#pragma once
#include <atomic>

struct Works;

// Body of a thread whose work is not built yet: waits until `running` is 0,
// or until `flag` (when given) leaves '1'.
void IdleUntilStopped(Works* works, const std::atomic<char>* flag = nullptr);
