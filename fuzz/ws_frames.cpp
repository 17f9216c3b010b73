// Fuzz target: bytes from a remote peer through the frame reader, with every
// chunked object reassembled as the receivers do: screen images into a small
// screen (raw or JPEG-decoded) and spectra into the spectrum area.
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "display/memory_framebuffer.h"
#include "platform/log.h"
#include "remote/ws_chunks.h"
#include "remote/ws_frame.h"
#include "remote/ws_screen.h"
#include "state/works.h"

#include "byte_source.h"

namespace {

struct Fixture {
  std::unique_ptr<Works> works = std::make_unique<Works>();
  MemoryFrameBuffer fb{64, 48};
  Fixture() {
    platform::setLogOutput(false);
    works->fb = fb.get();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture fx;
  static FrameReader reader;
  Bytes src(data, size);
  ScreenReceiver screen(fx.works.get());
  uint8_t spectrum[4096];
  ChunkAssembler assembler(spectrum, sizeof spectrum);
  WsFrame f;
  while (reader.read(src, f) == ReadStatus::Frame) {
    if (f.form != FrameForm::Long16) continue;
    if (f.tag() == "FB") {
      screen.take(f);
    } else if (f.tag() == "SP") {
      Chunk c;
      if (ParseChunk(f, c)) assembler.add(c);
    }
  }
  return 0;
}
