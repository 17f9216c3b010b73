#include "remote/ws_screen.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "display/framebuffer.h"
#include "jpeg/jpgd.h"
#include "jpeg/jpge.h"
#include "platform/log.h"
#include "remote/ws_send.h"
#include "state/setup_record.h"
#include "state/works.h"

Works* staticworks = nullptr;

namespace {

bool fourBytesPerPixel(const FrameBuffer* fb) {
  return fb && fb->pixelSize == 4 && fb->lineSize == static_cast<unsigned>(fb->xSize) * 4u &&
         fb->memSize >= fb->lineSize * static_cast<unsigned>(fb->ySize);
}

}  // namespace

int Compress(Works* w, uint8_t* out, int* length) {
  FrameBuffer* fb = w ? w->fb : nullptr;
  if (!fourBytesPerPixel(fb) || !out || !length) return -1;
  jpge::params p;
  p.m_quality = w->jpegQuality;
  p.m_subsampling = jpge::H2V2;
  p.m_no_chroma_discrim_flag = false;
  p.m_two_pass_flag = false;
  // The buffer's bytes B, G, R, 0 go in as if R, G, B, A; the receiver swaps
  // them back, so two units show each other true colours.
  std::lock_guard lock(fb->drawLock);
  if (!jpge::compress_image_to_jpeg_file_in_memory(out, *length, fb->xSize, fb->ySize, 4, fb->drawMem, p)) return -1;
  return *length;
}

int Uncompress(Works* w, const uint8_t* data, int length) {
  FrameBuffer* fb = w ? w->fb : nullptr;
  if (!fourBytesPerPixel(fb)) return -1;
  int width = 0, height = 0, comps = 0;
  // Refuse an image of the wrong size before decoding it, so a peer cannot
  // make us allocate for a huge one.
  if (!jpgd::read_jpeg_header(data, length, &width, &height, &comps) || width != fb->xSize || height != fb->ySize)
    return -1;
  unsigned char* pixels = jpgd::decompress_jpeg_image_from_memory(data, length, &width, &height, &comps, 4);
  if (!pixels) return -1;
  if (width == fb->xSize && height == fb->ySize) {
    std::lock_guard lock(fb->drawLock);
    std::memcpy(fb->drawMem, pixels, fb->lineSize * static_cast<size_t>(fb->ySize));
  }
  std::free(pixels);
  return width == fb->xSize && height == fb->ySize ? 0 : -1;
}

int sendWebSockFbFrame() {
  Works* w = staticworks;
  if (!w || !w->fb || !w->setup || w->setup->WebSocket != '1' || w->wsConnected != 1) return 0;
  FrameBuffer* fb = w->fb;
  std::vector<uint8_t> buf(fb->memSize);
  int length = static_cast<int>(buf.size());
  if (w->jpegQuality == 0 || Compress(w, buf.data(), &length) < 0) {
    std::lock_guard lock(fb->drawLock);
    std::memcpy(buf.data(), fb->screenMem, fb->memSize);
    length = static_cast<int>(fb->memSize);
  }
  sendChunkedObject(w, "FB", buf.data(), static_cast<size_t>(length));
  return length;
}

ScreenReceiver::ScreenReceiver(Works* w)
    : w_(w), area_(w && w->fb ? w->fb->memSize : 0), assembler_(area_.data(), area_.size()) {}

bool ScreenReceiver::take(const WsFrame& frame) {
  Chunk chunk;
  const auto result = ParseChunk(frame, chunk) ? assembler_.add(chunk) : ChunkAssembler::Result::Dropped;
  if (result == ChunkAssembler::Result::Dropped) {
    if (dropped_++ == 0) platform::sysLog(platform::kErr, "remote: screen image chunk outside its area dropped");
    return false;
  }
  if (result != ChunkAssembler::Result::Complete) return false;
  FrameBuffer* fb = w_->fb;
  const uint32_t total = assembler_.total();
  // The object's own size tells raw pixels from JPEG.
  if (total == fb->memSize) {
    std::lock_guard lock(fb->drawLock);
    std::memcpy(fb->drawMem, area_.data(), fb->memSize);
  } else if (Uncompress(w_, area_.data(), static_cast<int>(total)) != 0) {
    platform::sysLog(platform::kErr, "remote: screen image of %u bytes not decoded", total);
    return false;
  }
  std::lock_guard lock(fb->drawLock);
  fbRealize(fb);
  ++shown_;
  return true;
}
