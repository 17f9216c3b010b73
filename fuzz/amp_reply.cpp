// Fuzz target: bytes from the amplifier through the reply framer and, for
// every frame that passes its checksum, the reply decoder. The input is also
// re-framed with a correct checksum so the decoder sees arbitrary texts too.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "amp/crc8.h"
#include "amp/decode_reply.h"
#include "amp/link_frame.h"
#include "amp/link_state.h"
#include "platform/log.h"
#include "state/init_globals.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

struct Fixture {
  std::unique_ptr<Works> works = std::make_unique<Works>();
  SetupRecord setup{};
  Fixture() {
    works->setup = &setup;
    InitGlobalVar(works.get());
    works->errorsMuted = 0;
    linkPausesOn = false;  // the pauses pace the wire, not the decoder
    platform::setLogObserver([](const std::string&) {});
  }
};

void decodeAll(Works* w, ReplyFramer& rx, const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (rx.push(static_cast<char>(data[i])) != ReplyFramer::Event::Reply) continue;
    std::string text(rx.text());
    // Mostly as the reply of the command in flight; now and then as a stray.
    if (text.size() >= 2 && (data[0] & 3) != 0) {
      w->lastCmdEcho[0] = text[0];
      w->lastCmdEcho[1] = text[1];
    }
    DecodeCatCmd(w, text.c_str(), static_cast<int>(text.size()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  ReplyFramer rx;
  decodeAll(f.works.get(), rx, data, size);
  // The same bytes as one checksummed reply, cut at the first ";".
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, std::min(text.find(';'), size_t{60})) + ";";
  char sum[3];
  std::snprintf(sum, sizeof sum, "%02X", Sys_Crc8Calculation(text.data(), text.size()));
  std::string frame = sum + text;
  ReplyFramer rx2;
  decodeAll(f.works.get(), rx2, reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
  return 0;
}
