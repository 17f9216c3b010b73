// The screen sender a browser peer gets, over loopback to a reading peer:
// one look when the screen changed (copy, compare, JPEG, chunks on the wire)
// per `Quality`, and one look when it did not (copy and compare only). The
// sender looks every 250 ms, so an image must cost well under that on the
// board for the timer's ticks to keep their time.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "display/memory_framebuffer.h"
#include "platform/log.h"
#include "platform/net.h"
#include "remote/browser_screen.h"
#include "remote/ws_send.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

// A connected peer that reads and counts every byte the sender writes.
class Peer {
 public:
  explicit Peer(Works* w) : w_(w) {
    platform::setLogOutput(false);
    const platform::TcpListen l = platform::listenTcp(0, 1);
    fd_ = platform::createTcpSocket();
    platform::connectTcp(fd_, "127.0.0.1", static_cast<uint16_t>(platform::localPort(l.fd)), 1000);
    AttachConnection(w, platform::acceptTcp(l.fd, 1000).fd);
    platform::closeSocket(l.fd);
    w->wsConnected = 1;
    reader_ = std::thread([this] {
      uint8_t buf[65536];
      long n;
      while (!stop_)
        if (platform::waitReadable(fd_, 50) > 0) {
          if ((n = platform::receiveSome(fd_, buf, sizeof buf)) <= 0) break;
          bytes_ += static_cast<uint64_t>(n);
        }
    });
  }
  ~Peer() {
    stop_ = true;
    reader_.join();
    w_->wsConnected = 0;
    DropConnection(w_);
    platform::closeSocket(fd_);
  }
  uint64_t bytes() const { return bytes_; }

 private:
  Works* w_;
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> bytes_{0};
  std::thread reader_;
};

// A screen of dark gradients, two gauge discs and rows of text-like marks.
void paintScreen(FrameBuffer* fb) {
  for (int y = 0; y < fb->ySize; ++y)
    for (int x = 0; x < fb->xSize; ++x) {
      uint8_t* p = fb->screenMem + (static_cast<size_t>(y) * fb->xSize + x) * 4;
      const int dx = x % 400 - 200, dy = y - 200;
      const bool disc = dx * dx + dy * dy < 150 * 150;
      const bool text = y > 400 && (x / 3 + y / 4) % 5 == 0;
      p[0] = static_cast<uint8_t>(disc ? 230 : 20 + y / 8);
      p[1] = static_cast<uint8_t>(disc ? 230 : text ? 255 : 30);
      p[2] = static_cast<uint8_t>(disc ? 220 : text ? 255 : 20 + x / 16);
      p[3] = 0;
    }
}

// Moves a needle-sized bar, as a meter does between two looks.
void moveNeedle(FrameBuffer* fb, int step) {
  const int x0 = 100 + step % 200;
  for (int y = 80; y < 200; ++y) {
    uint8_t* row = fb->screenMem + (static_cast<size_t>(y) * fb->xSize) * 4;
    std::memset(row + (x0 - 1) * 4, 230, 4);
    std::memset(row + (x0 + 3) * 4, 0, 4);
  }
}

struct Unit {
  std::unique_ptr<Works> w = std::make_unique<Works>();
  SetupRecord setup{};
  std::mutex conn, ws;
  MemoryFrameBuffer fb{800, 480};
  Unit() {
    w->setup = &setup;
    w->connMutexPtr = &conn;
    w->mutexPtr = &ws;
    w->running = 1;
    w->sockFD = -1;
    w->fb = fb.get();
    paintScreen(fb.get());
  }
};

void BM_BrowserScreenChanged(benchmark::State& state) {
  Unit u;
  u.w->jpegQuality = static_cast<int>(state.range(0));
  Peer peer(u.w.get());
  BrowserScreenSender sender(u.w.get());
  int step = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    moveNeedle(u.fb.get(), ++step);
    if (!sender.sendIfChanged()) state.SkipWithError("no image sent");
  }
  state.counters["wire_bytes_per_image"] =
      static_cast<double>(peer.bytes()) / static_cast<double>(state.iterations());
  const double perImage = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                          static_cast<double>(state.iterations());
  state.counters["share_of_250ms_period"] = perImage / 0.25;
}
BENCHMARK(BM_BrowserScreenChanged)->Arg(50)->Arg(75)->Arg(85)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BrowserScreenUnchanged(benchmark::State& state) {
  Unit u;
  Peer peer(u.w.get());
  BrowserScreenSender sender(u.w.get());
  sender.sendIfChanged();
  for (auto _ : state)
    if (sender.sendIfChanged()) state.SkipWithError("an unchanged screen was sent");
}
BENCHMARK(BM_BrowserScreenUnchanged)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
