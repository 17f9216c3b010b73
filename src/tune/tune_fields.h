#pragma once
// Fields of `works` owned by antenna tuning: the tune word and its decoded parts.
#include <atomic>
#include <cstdint>

struct TuneFields {
  std::atomic<uint32_t> tuneWord;
};
