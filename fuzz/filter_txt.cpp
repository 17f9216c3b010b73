// Fuzzes the filter table reader and its writer: any bytes must load without
// overrunning the table, and the saved text must load back to the same text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/log.h"
#include "state/works.h"
#include "tables/filter_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool quiet = (platform::setLogObserver([](const std::string&) {}), true);
  (void)quiet;
  // The records are made once (they are large) and their filter tables cleared
  // for every input, so no input sees what the one before left.
  static auto works = std::make_unique<Works>();
  static auto again = std::make_unique<Works>();
  for (Works* w : {works.get(), again.get()}) {
    std::memset(w->filterTab, 0, sizeof w->filterTab);
    w->filterSel = 0;
    w->filterMask = 0;
  }
  ParseTabFiltri(works.get(), std::string(reinterpret_cast<const char*>(data), size));
  std::string once = FormatTabFiltri(works.get());
  ParseTabFiltri(again.get(), once);
  if (FormatTabFiltri(again.get()) != once) std::abort();
  works->freq = 14070000;
  SetFilterFromfreq(works.get());
  return 0;
}
