#include "remote/browser_screen.h"

#include <cstring>
#include <mutex>

#include "display/framebuffer.h"
#include "jpeg/jpge.h"
#include "platform/clock.h"
#include "remote/ws_send.h"
#include "state/works.h"

namespace {

bool readable(const FrameBuffer* fb) {
  return fb && fb->pixelSize == 4 && fb->screenMem && fb->memSize >= static_cast<size_t>(fb->xSize) * fb->ySize * 4;
}

// The visible pixels, copied under the draw lock so the timer's next redraw
// cannot tear the image.
bool copyScreen(FrameBuffer* fb, std::vector<uint8_t>& out) {
  if (!readable(fb)) return false;
  const size_t bytes = static_cast<size_t>(fb->xSize) * fb->ySize * 4;
  out.resize(bytes);
  std::lock_guard lock(fb->drawLock);
  std::memcpy(out.data(), fb->screenMem, bytes);
  return true;
}

std::vector<uint8_t> encode(const FrameBuffer* fb, const std::vector<uint8_t>& bgrx, int quality) {
  const size_t pixels = static_cast<size_t>(fb->xSize) * fb->ySize;
  std::vector<uint8_t> rgb(pixels * 3);
  for (size_t i = 0; i < pixels; ++i) {
    rgb[i * 3] = bgrx[i * 4 + 2];
    rgb[i * 3 + 1] = bgrx[i * 4 + 1];
    rgb[i * 3 + 2] = bgrx[i * 4];
  }
  jpge::params p;
  p.m_quality = quality >= 1 && quality <= 100 ? quality : kBrowserDefaultQuality;
  p.m_subsampling = jpge::H2V2;
  // A screen of flat colours codes to far less than this.
  int length = static_cast<int>(pixels * 3 + 1024);
  std::vector<uint8_t> out(static_cast<size_t>(length));
  if (!jpge::compress_image_to_jpeg_file_in_memory(out.data(), length, fb->xSize, fb->ySize, 3, rgb.data(), p))
    return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

}  // namespace

std::vector<uint8_t> BrowserScreenJpeg(Works* w, int quality) {
  std::vector<uint8_t> screen;
  if (!w || !copyScreen(w->fb, screen)) return {};
  return encode(w->fb, screen, quality);
}

bool BrowserScreenSender::sendIfChanged() {
  std::vector<uint8_t> screen;
  if (!copyScreen(w_->fb, screen) || screen == last_) return false;
  const std::vector<uint8_t> jpeg = encode(w_->fb, screen, w_->jpegQuality);
  if (jpeg.empty() || sendChunkedObject(w_, "FB", jpeg.data(), jpeg.size()) <= 0) return false;
  last_.swap(screen);
  ++sent_;
  return true;
}

void BrowserScreenSender::run() {
  while (!stop_ && w_->running && w_->wsConnected == 1) {
    sendIfChanged();
    for (int waited = 0; waited < kBrowserScreenPeriodMs && !stop_; waited += 50) platform::sleepMs(50);
  }
}

void BrowserScreenSender::start() {
  stop();
  stop_ = false;
  thread_ = std::thread([this] { run(); });
}

void BrowserScreenSender::stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}
