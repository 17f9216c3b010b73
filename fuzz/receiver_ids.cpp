// Fuzz target for the receiver's identifiers file: any bytes parse; what is
// read is either the default or a value the text spelled out, and reading
// the same text twice gives the same identifiers.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "links/receiver_ids.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const ReceiverIds a = ParseReceiverIds(text);
  const ReceiverIds b = ParseReceiverIds(text);
  if (a.vendor != b.vendor || a.product != b.product || a.refused.size() != b.refused.size()) std::abort();
  const ReceiverIds defaults;
  if (a.vendor != defaults.vendor && text.find("vendor") == std::string::npos) std::abort();
  if (a.product != defaults.product && text.find("product") == std::string::npos) std::abort();
  return 0;
}
