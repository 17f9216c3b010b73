// Fuzzes the band table reader and its writer: any bytes must load without
// overrunning a row or a name, and the saved text must load back to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/log.h"
#include "state/works.h"
#include "tables/antenna_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool quiet = (platform::setLogObserver([](const std::string&) {}), true);
  (void)quiet;
  // The records are made once (they are large) and their band tables cleared
  // for every input, so no input sees what the one before left.
  static auto works = std::make_unique<Works>();
  static auto again = std::make_unique<Works>();
  for (Works* w : {works.get(), again.get()}) {
    std::memset(w->bandTab, 0, sizeof w->bandTab);
    w->bandRows = 0;
  }
  int type = ParseTabConfig(works.get(), std::string(reinterpret_cast<const char*>(data), size));
  if (type < 0 || type > 2) std::abort();
  std::string once = FormatTabConfig(works.get(), type);
  if (ParseTabConfig(again.get(), once) != type) std::abort();
  if (FormatTabConfig(again.get(), type) != once) std::abort();
  return 0;
}
