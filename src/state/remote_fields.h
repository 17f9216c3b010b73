#pragma once
// Fields of `works` owned by remote operation.
#include <atomic>
#include <cstdint>

struct RemoteFields {
  std::atomic<int> wsConnected;
};
