#pragma once
// Fields of `works` owned by the band, filter, antenna and tuner-memory tables.
#include <atomic>
#include <cstdint>

struct TablesFields {
  std::atomic<int> ModeWorkIdx;  // interface type of the bank's band table
  std::atomic<int> bandRowIdx;   // band row in force, -1 none
};
