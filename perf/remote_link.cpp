// The remote connection over loopback: how long the upgrade handshake and
// passphrase take from connect to the server marking the peer connected, and
// how many status frames a second go each way (the timer sends one per tick).
// Log output is off: the figures are the protocol's, not the log's.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/net.h"
#include "remote/ws_frame.h"
#include "remote_login.h"
#include "remote/ws_handshake.h"
#include "remote/ws_send.h"
#include "remote/ws_server.h"
#include "remote/ws_stream.h"
#include "remote/ws_timing.h"
#include "state/setup.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

struct Server {
  std::unique_ptr<Works> w = std::make_unique<Works>();
  SetupRecord setup{};
  std::mutex conn, ws;
  std::thread thread;
  Server() {
    platform::setLogOutput(false);
    wsTimings().startPauseMs = 0;
    w->setup = &setup;
    w->connMutexPtr = &conn;
    w->mutexPtr = &ws;
    w->running = 1;
    w->sockFD = -1;
    setup.WebSocket = '1';
    std::snprintf(w->wsPassword, sizeof w->wsPassword, "%s", kWsPassword);
    thread = std::thread(Wsocket, w.get());
    while (WsocketListeningPort() == 0) platform::sleepMs(5);
  }
  ~Server() {
    w->running = 0;
    thread.join();
  }
};


void BM_HandshakeAndPassphrase(benchmark::State& state) {
  Server s;
  for (auto _ : state) {
    const int fd = loginOverLoopback(WsocketListeningPort());
    while (s.w->wsConnected != 1) std::this_thread::yield();
    state.PauseTiming();
    platform::closeSocket(fd);
    while (s.w->wsConnected != 0) std::this_thread::yield();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_HandshakeAndPassphrase)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The server sends; a peer reads.
void BM_StatusFramesToPeer(benchmark::State& state) {
  Server s;
  const int fd = loginOverLoopback(WsocketListeningPort());
  while (s.w->wsConnected != 1) std::this_thread::yield();
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    uint8_t buf[65536];
    while (!stop)
      if (platform::waitReadable(fd, 50) > 0 && platform::receiveSome(fd, buf, sizeof buf) <= 0) break;
  });
  const char status[45] = "20m 1000T0001.1000150.0000.5035.013.8001.20";
  for (auto _ : state) sendWebSockStatusFrame(s.w.get(), status, 44);
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  stop = true;
  reader.join();
  platform::closeSocket(fd);
}
BENCHMARK(BM_StatusFramesToPeer)->UseRealTime();

// The markers are divider settings, which the unit paces; the pacing is not
// what is measured, so every round starts with the whole allowance.
void fullSettingsAllowance(Works& w) {
  std::lock_guard lock(w.remotePacing.mutex);
  w.remotePacing.settings = RateGate(kRemoteSettingsBurst, kRemoteSettingsPerSecond);
}

// A peer sends; the server reads, stores and checks each for a command.
void BM_StatusFramesFromPeer(benchmark::State& state) {
  Server s;
  const int fd = loginOverLoopback(WsocketListeningPort());
  while (s.w->wsConnected != 1) std::this_thread::yield();
  const std::string text = "20m 1000T0001.1000150.0000.5035.013.8001.20";
  const FrameBytes st = ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>(text.data()), text.size());
  const FrameBytes mark = ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAFD7"), 7);
  const FrameBytes unmark = ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAFD0"), 7);
  constexpr int kBatch = 1000;
  std::string batch;
  for (int i = 0; i < kBatch; ++i) batch.append(st.begin(), st.end());
  batch.append(mark.begin(), mark.end());
  for (auto _ : state) {
    platform::sendAllWithin(fd, batch.data(), batch.size(), 5000);
    while (s.w->Divide != 7) std::this_thread::yield();
    state.PauseTiming();
    platform::sendAllWithin(fd, unmark.data(), unmark.size(), 1000);
    while (s.w->Divide != 0) std::this_thread::yield();
    fullSettingsAllowance(*s.w);
    state.ResumeTiming();
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * (kBatch + 1), benchmark::Counter::kIsRate);
  platform::closeSocket(fd);
}
BENCHMARK(BM_StatusFramesFromPeer)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
