#include "remote/ws_client.h"

#include <cerrno>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/net.h"
#include "remote/ws_handshake.h"
#include "remote/ws_receive.h"
#include "remote/ws_send.h"
#include "remote/ws_stream.h"
#include "remote/tx_release.h"
#include "remote/ws_timing.h"
#include "state/remote_settings.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr int kHandshakeLinesMax = 64;
constexpr long kWrongAcceptPauseMs = 1000;
constexpr long kReconnectPauseMs = 100;
constexpr long kConnectedPauseMs = 20;

std::optional<std::string> makeClientKey() {
  uint8_t random[16];
  size_t got = 0;
  if (!platform::readRandom(random, sizeof random, &got)) {
    if (got == 0)
      platform::sysLog(kErr, "/dev/urandom error %d", errno);
    else
      platform::sysLog(kErr, "/dev/urandom read %d instead of 16, error=%d", static_cast<int>(got), errno);
    return std::nullopt;
  }
  return Base64Text(random, sizeof random);
}

// Connects, trying again every retry interval while the server is down.
// A fresh socket per attempt: one whose connect failed is not reliably
// usable again. -1 on a fatal failure.
int connectToServer(Works* w, const std::string& address) {
  while (w->running) {
    const int fd = platform::createTcpSocket();
    if (fd < 0) {
      platform::sysLog(kErr, "Socket error %d", errno);
      return -1;
    }
    platform::sysLog(kInfo, "Socket for TCP created");
    if (platform::connectTcp(fd, address, w->tcpPort, wsTimings().retryMs)) return fd;
    platform::closeSocket(fd);
    platform::sysLog(kErr, "Connect Error\n");
    w->wsConnected = 0;
    platform::sleepWhileRunning(wsTimings().retryMs, w->running);
  }
  return -1;
}

bool sendRequest(int fd, const Works* w, const std::string& key) {
  for (const std::string& line : ClientRequestLines(w->serverAddr, w->tcpPort, key)) {
    if (!platform::sendAllWithin(fd, line.data(), line.size(), wsTimings().sendMs)) {
      platform::sysLog(kErr, "TCP write Error");
      return false;
    }
    platform::sysLog(kInfo, "TCP write %d bytes\n", static_cast<int>(line.size()));
  }
  return true;
}

enum class Reply { Complete, WrongAccept, Incomplete };

Reply readReply(SocketStream& in, const std::string& key) {
  ClientHandshake hs;
  hs.expectedAccept = WebSocketAccept(key);
  const int64_t deadline = platform::monotonicMs() + wsTimings().handshakeMs;
  std::string line;
  for (int lines = 0; lines < kHandshakeLinesMax && !hs.failed() && !hs.complete(); ++lines) {
    const SocketStream::LineResult r = in.readLine(line, deadline);
    if (r == SocketStream::LineResult::Error) platform::sysLog(kErr, "TCP read error 1 %d", in.lastError());
    if (r == SocketStream::LineResult::Timeout) platform::sysLog(kErr, "server reply not completed in time");
    if (r != SocketStream::LineResult::Line) break;
    hs.line(line);
  }
  if (hs.failed()) return Reply::WrongAccept;
  return hs.complete() ? Reply::Complete : Reply::Incomplete;
}

bool sendPassphrase(Works* w, int fd) {
  const std::string pass = w->wsPassword;
  const FrameBytes frame = TextFrame(reinterpret_cast<const uint8_t*>(pass.data()), pass.size());
  return platform::sendAllWithin(fd, frame.data(), frame.size(), wsTimings().sendMs);
}

void messageLoop(Works* w, SocketStream& in) {
  FrameReader reader;
  FrameDispatcher dispatcher(w, PeerSide::Client);
  WsFrame f;
  while (w->running && w->wsConnected == 1) {
    const ReadStatus st = reader.read(in, f);
    if (st != ReadStatus::Frame) {
      platform::sysLog(kInfo, "TCP read Error 2A %d (%s)", in.lastError(), ReadStatusText(st));
      return;
    }
    if (!dispatcher.dispatch(f)) return;
  }
}

// One connection from connect to drop; false when the program must stop.
bool runConnection(Works* w, const std::string& address, const std::string& key) {
  const int fd = connectToServer(w, address);
  if (fd < 0) return false;
  platform::sysLog(kInfo, "TCP connected\n");
  SocketStream in(fd, &w->running);
  in.setStallMs(wsTimings().stallMs);
  const bool sent = sendRequest(fd, w, key);
  const Reply reply = sent ? readReply(in, key) : Reply::Incomplete;
  if (reply == Reply::WrongAccept) {
    platform::closeSocket(fd);
    platform::sleepMs(kWrongAcceptPauseMs);
    w->running = 0;
    return false;
  }
  // A reply that never completed is not waited on for ever: that server is
  // not one of ours, or is stuck. Try again.
  if (reply == Reply::Complete && sendPassphrase(w, fd)) {
    AttachConnection(w, fd);
    w->wsConnected = 1;
    platform::sleepMs(kConnectedPauseMs);
    platform::sysLog(kInfo, "Websocket Connected");
    messageLoop(w, in);
    if (TransmitStands(w, false)) ReleaseTransmitter(w, "connection to the server ended");
    DropConnection(w);
  } else {
    platform::closeSocket(fd);
  }
  platform::sysLog(kErr, "reconnecting");
  platform::sleepMs(kReconnectPauseMs);
  return true;
}

}  // namespace

void Wclient(Works* w) {
  platform::sysLog(kInfo, "Wclient to server %s on port %d mode %c", w->serverAddr, w->tcpPort.load(),
                   w->setup->WebSocket.load());
  if (w->passphraseSource == kPassphraseUnusable) {
    platform::sysLog(kErr, "remote client not started: %s", PassphraseSummary(w).c_str());
    return;
  }
  const std::optional<std::string> key = makeClientKey();
  if (!key) return;
  w->wsConnected = 0;
  const std::optional<std::string> address = platform::resolveHost(w->serverAddr);
  if (!address) {
    platform::sysLog(kErr, "ERROR, no such host as %s\n", w->serverAddr);
    return;
  }
  platform::sysLog(kInfo, "server ok");
  platform::sysLog(kInfo, "TCP bound");
  while (w->running && runConnection(w, *address, *key)) {
  }
}
