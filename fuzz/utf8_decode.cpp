// Fuzzes the UTF-8 decoder: it must stay inside the given bytes, always move
// forward, and agree with utf8_length.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "display/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so any read past the end is caught.
  std::vector<unsigned char> text(data, data + size);
  const int length = static_cast<int>(size);
  int position = 0, valid = 0, count = 0;
  unsigned cp = 0;
  while (true) {
    const int before = position;
    if (utf8_get_next_char(text.data(), length, &position, &valid, &cp) != 1) break;
    const int step = position - before;
    if (step < 1 || step > 4 || position > length) std::abort();
    if (valid ? (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) : cp != 0) std::abort();
    ++count;
  }
  if (count != utf8_length(text.data(), length)) std::abort();
  return 0;
}
