// Fuzzes the tuner memory reader and its writer: any bytes must load without
// writing outside the memory, and the saved text must load back to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/log.h"
#include "state/works.h"
#include "tables/tuner_memory.h"

namespace {

// Compared slot by slot rather than formatted again: formatting all the slots
// is most of the cost of an input, and so is tracing this loop's comparisons,
// which say nothing about the code under test. An empty slot's other fields
// mean nothing, and the file does not keep them.
__attribute__((no_sanitize("coverage"))) bool sameSlots(const TuneMemEntry* a, const TuneMemEntry* b) {
  for (int i = 0; i < kTuneMemSlots; ++i) {
    if ((a[i].valid != 0) != (b[i].valid != 0)) return false;
    if (a[i].valid && std::memcmp(&a[i], &b[i], sizeof a[i]) != 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool quiet = (platform::setLogObserver([](const std::string&) {}), true);
  (void)quiet;
  // The records are made once: a record is large, and the parser clears the
  // antenna's memory before it loads.
  static auto works = std::make_unique<Works>();
  static auto again = std::make_unique<Works>();
  ParseTabAtu(works.get(), 1, std::string(reinterpret_cast<const char*>(data), size));
  std::string once = FormatTabAtu(works.get(), 1);
  ParseTabAtu(again.get(), 1, once);
  if (!sameSlots(works->tuneMem[1], again->tuneMem[1])) std::abort();
  return 0;
}
