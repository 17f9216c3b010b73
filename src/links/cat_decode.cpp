#include "links/cat_decode.h"

#include "platform/log.h"
#include "state/works.h"

std::atomic<int> lastCommandSent{0};

bool VerifyByteFreq(uint8_t b) { return (b & 0x0F) > 9 || b >= 0xA0; }

int32_t CatReplyFrequency(const uint8_t reply[kCatReplySize]) {
  int32_t tens = 0;
  for (int i = 0; i < 4; ++i) {
    if (VerifyByteFreq(reply[i])) return -1;
    tens = tens * 100 + (reply[i] >> 4) * 10 + (reply[i] & 0x0F);
  }
  return tens * 10;
}

void DecodeCatSerialCmd(Works* w, const uint8_t* reply, int length) {
  if (lastCommandSent != kCatReadFreqMode || length < kCatReplySize) {
    lastCommandSent = 0;
    return;
  }
  lastCommandSent = 0;
  const int32_t hz = CatReplyFrequency(reply);
  if (hz < 0) {
    platform::errPrintf("CAT FT817 freq not decoded :  %02x %02x %02x %02x %02x\n", reply[0], reply[1], reply[2],
                        reply[3], reply[4]);
    return;
  }
  w->catSerFreq = hz;
}
