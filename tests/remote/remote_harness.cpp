#include "remote_harness.h"

#include <cstring>

#include "platform/clock.h"
#include "platform/net.h"
#include "remote/ws_client.h"
#include "remote/ws_guard.h"
#include "remote/ws_handshake.h"
#include "remote/ws_server.h"
#include "remote/ws_timing.h"
#include "state/setup.h"
#include "wait_until.h"

void useTestTimings() {
  WsTimings& t = wsTimings();
  t.startPauseMs = 0;
  t.handshakeMs = 600;
  t.loginMs = 600;
  t.writeBlockMs = 600;
  t.stallMs = 600;
  t.sendMs = 600;
  t.retryMs = 100;
  t.banWindowMs = 60000;
  t.banMs = 1500;
  serverBans().clear();
}

void restoreTimings() {
  WsTimings& t = wsTimings();
  t.startPauseMs = 2000;
  t.handshakeMs = 5000;
  t.loginMs = 5000;
  t.writeBlockMs = 2000;
  t.queueMaxBytes = 384 * 1024;
  t.stallMs = 5000;
  t.sendMs = 1000;
  t.retryMs = 2000;
  t.banWindowMs = 60000;
  t.banMs = 60000;
  serverBans().clear();
}

RemoteUnit::RemoteUnit() {
  Works* w = works_.get();
  w->fb = fb_.get();
  w->sockFD = -1;
  std::snprintf(w->wsPassword, sizeof w->wsPassword, "%s", kWsPassword);
  std::snprintf(w->serverAddr, sizeof w->serverAddr, "127.0.0.1");
}

RemoteUnit::~RemoteUnit() { stop(); }

void RemoteUnit::startServer() {
  works_->setup->WebSocket = '1';
  works_->tcpPort = 0;
  thread_ = std::thread(Wsocket, works_.get());
  waitUntil([] { return WsocketListeningPort() > 0; }, 3000);
  port_ = WsocketListeningPort();
}

void RemoteUnit::startClient(int port) {
  works_->setup->WebSocket = '2';
  works_->tcpPort = static_cast<uint16_t>(port);
  thread_ = std::thread(Wclient, works_.get());
}

void RemoteUnit::stop() {
  works_->running = 0;
  if (thread_.joinable()) thread_.join();
  if (works_->setup->WebSocket == '1') waitUntil([] { return WsocketListeningPort() == 0; }, 1000);
}

RawPeer::RawPeer(int port, const std::string& from) {
  fd_ = platform::createTcpSocket();
  if ((!from.empty() && !platform::bindLocal(fd_, from)) ||
      !platform::connectTcp(fd_, "127.0.0.1", static_cast<uint16_t>(port), 1000)) {
    platform::closeSocket(fd_);
    fd_ = -1;
  }
  plain_ = platform::PlainTransport(fd_);
}

bool RawPeer::startTls() {
  auto tls = std::make_unique<platform::TlsConnection>();
  std::string error;
  if (!tls->connect(fd_, 2000, error)) {
    std::fprintf(stderr, "TLS connect: %s\n", error.c_str());
    return false;
  }
  tls_ = std::move(tls);
  return true;
}

RawPeer::~RawPeer() {
  tls_.reset();
  platform::closeSocket(fd_);
}

bool RawPeer::send(const std::string& bytes) { return io().sendAllWithin(bytes.data(), bytes.size(), 1000); }

bool RawPeer::sendRequest(const std::string& key) {
  for (const std::string& line : ClientRequestLines("127.0.0.1", 1, key))
    if (!send(line)) return false;
  return true;
}

std::string RawPeer::readReply(int timeoutMs) {
  std::string text;
  uint8_t c;
  while (text.size() < 4 || text.compare(text.size() - 4, 4, "\r\n\r\n") != 0) {
    if (!readExact(&c, 1, timeoutMs)) return "";
    text += static_cast<char>(c);
  }
  return text;
}

bool RawPeer::sendPassphrase(const std::string& pass) {
  return send(TextFrame(reinterpret_cast<const uint8_t*>(pass.data()), pass.size()));
}

bool RawPeer::login(const std::string& pass) {
  return sendRequest() && !readReply().empty() && sendPassphrase(pass);
}

bool RawPeer::readExact(uint8_t* data, size_t n, int timeoutMs) {
  const int64_t end = platform::monotonicMs() + timeoutMs;
  while (n > 0) {
    const int left = static_cast<int>(end - platform::monotonicMs());
    if (left <= 0 || io().waitReadable(left) <= 0) return false;
    const long got = io().receive(data, n);
    if (got == platform::Transport::kNothingYet) continue;
    if (got <= 0) return false;
    data += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

// Frames as the unit sends them: short binary, text with its key, or the
// 16-bit form; parsed here by hand so the test does not trust our reader.
bool RawPeer::readFrame(FrameBytes& frame, int timeoutMs) {
  uint8_t head[4];
  if (!readExact(head, 2, timeoutMs)) return false;
  size_t rest = 0;
  frame.assign(head, head + 2);
  if (head[1] == 126) {
    if (!readExact(head + 2, 2, timeoutMs)) return false;
    frame.push_back(head[2]);
    frame.push_back(head[3]);
    rest = static_cast<size_t>(head[2]) << 8 | head[3];
  } else {
    rest = head[1] + (head[0] == kOpText ? 4u : 0u);
  }
  const size_t at = frame.size();
  frame.resize(at + rest);
  return readExact(frame.data() + at, rest, timeoutMs);
}

bool RawPeer::closedWithin(int timeoutMs) {
  const int64_t end = platform::monotonicMs() + timeoutMs;
  uint8_t buf[256];
  while (platform::monotonicMs() < end) {
    if (io().waitReadable(50) <= 0) continue;
    const long got = io().receive(buf, sizeof buf);
    if (got != platform::Transport::kNothingYet && got <= 0) return true;
  }
  return false;
}

void paintTestScreen(FrameBuffer* fb) {
  for (int y = 0; y < fb->ySize; ++y)
    for (int x = 0; x < fb->xSize; ++x) {
      uint8_t* p = fb->drawMem + static_cast<size_t>(y) * fb->lineSize + static_cast<size_t>(x) * 4;
      const bool block = (x / 16 + y / 16) % 3 == 0;
      p[0] = static_cast<uint8_t>(block ? 200 : x * 255 / fb->xSize);  // blue
      p[1] = static_cast<uint8_t>(y * 255 / fb->ySize);                 // green
      p[2] = static_cast<uint8_t>(block ? 40 : 255 - x * 255 / fb->xSize);  // red
      p[3] = 0;
    }
}
