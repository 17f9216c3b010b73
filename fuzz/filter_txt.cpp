// Fuzzes the filter table reader and its writer: any bytes must load without
// overrunning the table, and the saved text must load back to the same text.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/log.h"
#include "state/works.h"
#include "tables/filter_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool quiet = (platform::setLogObserver([](const std::string&) {}), true);
  (void)quiet;
  auto works = std::make_unique<Works>();
  ParseTabFiltri(works.get(), std::string(reinterpret_cast<const char*>(data), size));
  std::string once = FormatTabFiltri(works.get());
  auto again = std::make_unique<Works>();
  ParseTabFiltri(again.get(), once);
  if (FormatTabFiltri(again.get()) != once) std::abort();
  works->freq = 14070000;
  SetFilterFromfreq(works.get());
  return 0;
}
