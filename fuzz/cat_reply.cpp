// Fuzz target: bytes from an FT-817 through the reply decoder, five at a time
// as the CAT link gathers them. An accepted frequency must be the reply's BCD
// digits read back; a rejected one must leave the last frequency.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "links/cat_decode.h"
#include "platform/log.h"
#include "state/works.h"

namespace {

struct Fixture {
  std::unique_ptr<Works> works = std::make_unique<Works>();
  Fixture() { platform::setLogObserver([](const std::string&) {}); }
};

bool allBcd(const uint8_t* r) {
  for (int i = 0; i < 4; ++i)
    if ((r[i] >> 4) > 9 || (r[i] & 0x0F) > 9) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  Works* w = f.works.get();
  for (size_t at = 0; at + kCatReplySize <= size; at += kCatReplySize) {
    const int32_t before = w->catSerFreq;
    lastCommandSent = kCatReadFreqMode;
    DecodeCatSerialCmd(w, data + at, kCatReplySize);
    const int32_t after = w->catSerFreq;
    if (!allBcd(data + at)) {
      if (after != before) std::abort();
      continue;
    }
    if (after < 0 || after > 999999990 || after % 10 != 0) std::abort();
  }
  // A reply cut short is never decoded.
  if (size % kCatReplySize != 0) {
    const int32_t before = w->catSerFreq;
    lastCommandSent = kCatReadFreqMode;
    DecodeCatSerialCmd(w, data + size - size % kCatReplySize, static_cast<int>(size % kCatReplySize));
    if (w->catSerFreq != before) std::abort();
  }
  return 0;
}
