// Fuzzes the setup file reader: any bytes must load without overrunning a
// field of the setup record, and every text setting stays terminated.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/log.h"
#include "state/setup.h"
#include "state/setup_keys.h"
#include "state/setup_record.h"
#include "state/works.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool quiet = (platform::setLogObserver([](const std::string&) {}), true);
  (void)quiet;
  // Made once (the record is large); the defaults are restored for every input.
  static auto works = std::make_unique<Works>();
  static auto setup = std::make_unique<SetupRecord>();
  works->setup = setup.get();
  initSetup(works.get());
  ParseSetupText(works.get(), std::string(reinterpret_cast<const char*>(data), size));
  for (const SetupKey& key : setupKeys()) {
    if (key.kind == SetupKind::Flag) continue;
    std::span<char> field = key.text(*setup);
    if (std::memchr(field.data(), '\0', field.size()) == nullptr) std::abort();
  }
  return 0;
}
