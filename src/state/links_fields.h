#pragma once
// Fields of `works` owned by the transceiver and receiver links.
#include <atomic>
#include <cstdint>

struct LinksFields {
  std::atomic<int> linksReserved;
};
