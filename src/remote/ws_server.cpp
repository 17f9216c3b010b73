#include "remote/ws_server.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/net.h"
#include "remote/browser_screen.h"
#include "remote/http_page.h"
#include "remote/http_request.h"
#include "remote/ws_browser.h"
#include "remote/ws_guard.h"
#include "remote/ws_handshake.h"
#include "remote/ws_receive.h"
#include "remote/ws_screen.h"
#include "remote/ws_send.h"
#include "remote/ws_stream.h"
#include "remote/ws_timing.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr int kAcceptSliceMs = 200;
// A request has seven known lines; a peer that sends this many without
// finishing is not a unit of ours.
constexpr int kHandshakeLinesMax = 64;

int isFirst = 0;  // 1: the next text frame is the passphrase; 2 afterwards

enum class Handshake { Done, Browser, Page, Failed };

Handshake readRequest(SocketStream& in, ServerHandshake& hs, HttpRequest& req) {
  const int64_t deadline = platform::monotonicMs() + wsTimings().handshakeMs;
  std::string line;
  for (int lines = 0; !hs.complete(); ++lines) {
    if (lines >= kHandshakeLinesMax) {
      platform::sysLog(kErr, "handshake of more than %d lines refused", kHandshakeLinesMax);
      return Handshake::Failed;
    }
    switch (in.readLine(line, deadline)) {
      case SocketStream::LineResult::Line:
        hs.line(line);
        req.line(line, kHandshakeLineMax);
        if (req.kind() == HttpRequest::Kind::TooLong) {
          platform::sysLog(kErr, "request line longer than %zu bytes, peer dropped", kHandshakeLineMax);
          return Handshake::Failed;
        }
        if (req.kind() == HttpRequest::Kind::Browser) return Handshake::Browser;
        if (req.kind() == HttpRequest::Kind::Page) return Handshake::Page;
        break;
      case SocketStream::LineResult::Timeout:
        platform::sysLog(kErr, "handshake not completed in %d ms, peer dropped", wsTimings().handshakeMs.load());
        return Handshake::Failed;
      case SocketStream::LineResult::Error:
        platform::sysLog(kErr, "TCP read error %d", in.lastError());
        return Handshake::Failed;
      case SocketStream::LineResult::End:
        platform::sysLog(kInfo, "peer closed during the handshake");
        return Handshake::Failed;
    }
  }
  return Handshake::Done;
}

bool sendReply(int fd, const ServerHandshake& hs) {
  for (const std::string& line : ServerReplyLines(hs.clientKey)) {
    const bool ok = platform::sendAllWithin(fd, line.data(), line.size(), wsTimings().sendMs);
    platform::sysLog(kInfo, "sent %d bytes error %d", ok ? static_cast<int>(line.size()) : -1, ok ? 0 : errno);
    platform::sysLog(kInfo, "%s", line.c_str());
    if (!ok) return false;
  }
  return true;
}

void markConnected(Works* w) {
  std::lock_guard lock(*w->connMutexPtr);
  w->wsConnected = 1;
  platform::outPrintf("connected\n");
  platform::sleepMs(1);
}

// The first frame after the handshake must be the passphrase, and nothing
// else is taken before it: every other frame could act on the amplifier.
template <typename Reader>
bool checkPassphrase(Works* w, SocketStream& in, Reader& reader, const std::string& peer) {
  in.setIdleDeadline(platform::monotonicMs() + wsTimings().passphraseMs);
  WsFrame f;
  const ReadStatus st = reader.read(in, f);
  in.setIdleDeadline(0);
  if (st != ReadStatus::Frame) {
    platform::sysLog(kInfo, "TCP read Error 2a %d (%s before the passphrase)", in.lastError(), ReadStatusText(st));
    return false;
  }
  if (f.form != FrameForm::Text) {
    platform::sysLog(kErr, "%s sent a frame before its passphrase, dropped", peer.c_str());
    return false;
  }
  isFirst = 2;
  const std::string received(reinterpret_cast<const char*>(f.body), f.bodyLength);
  const std::string expected = w->wsPassword;
  if (!PassphraseMatches(expected, received)) {
    // The expected text stays out of the log: it is the secret.
    platform::sysLog(kErr, "required >%s< differ from >%s<", "...", received.c_str());
    const int64_t now = platform::monotonicMs();
    if (serverBans().wrongPassphrase(peer, now, wsTimings().banWindowMs, wsTimings().banMs))
      platform::sysLog(kErr, "%s refused for %d s after %d wrong passphrases", peer.c_str(),
                       wsTimings().banMs / 1000, PeerBans::kWrongAllowed);
    return false;
  }
  platform::sysLog(kInfo, "required >%s< equals to >%s<", "...", "...");
  markConnected(w);
  platform::sysLog(kInfo, "Receiving data");
  return true;
}

void messageLoop(Works* w, SocketStream& in, FrameReader& reader) {
  FrameDispatcher dispatcher(w, PeerSide::Server);
  WsFrame f;
  while (w->running) {
    const ReadStatus st = reader.read(in, f);
    if (st != ReadStatus::Frame) {
      platform::sysLog(kInfo, "TCP read Error 2a %d (%s)", in.lastError(), ReadStatusText(st));
      return;
    }
    if (!dispatcher.dispatch(f)) return;
  }
}

// A browser peer: its touches press the soft buttons, and it is sent the
// screen, since it has none of its own.
void browserLoop(Works* w, SocketStream& in, BrowserFrameReader& reader) {
  BrowserScreenSender screen(w);
  screen.start();
  WsFrame f;
  while (w->running) {
    const ReadStatus st = reader.read(in, f);
    if (st != ReadStatus::Frame) {
      platform::sysLog(kInfo, "TCP read Error 2a %d (browser: %s)", in.lastError(), ReadStatusText(st));
      break;
    }
    int x = 0, y = 0;
    if (f.form == FrameForm::Text && ParseTouchText({reinterpret_cast<const char*>(f.body), f.bodyLength}, x, y))
      ApplyBrowserTouch(w, x, y);
  }
  // A finger lifted while the connection was gone must not leave a button held.
  w->touchHeld = 0;
  screen.stop();
}

bool answerPage(int fd, const HttpRequest& req) {
  const std::string answer = HttpAnswer(req.isGet(), req.path());
  platform::sysLog(kInfo, "HTTP %s %s", req.isGet() ? "GET" : "request", req.path().c_str());
  return platform::sendAllWithin(fd, answer.data(), answer.size(), wsTimings().sendMs);
}

void refuseUpgrade(int fd, const HttpRequest& req) {
  const std::string answer = BrowserRefusal(req.versionSupported());
  platform::sysLog(kErr, "browser upgrade refused: %s",
                   req.versionSupported() ? "not a GET with a 16-byte key" : "WebSocket version other than 13");
  platform::sendAllWithin(fd, answer.data(), answer.size(), wsTimings().sendMs);
  platform::closeSocket(fd);
}

void serve(Works* w, int fd, const std::string& peer) {
  SocketStream in(fd, &w->running);
  in.setStallMs(wsTimings().stallMs);
  ServerHandshake hs;
  HttpRequest req;
  const Handshake kind = readRequest(in, hs, req);
  if (kind == Handshake::Page) answerPage(fd, req);
  if (kind == Handshake::Browser && !req.upgradeAcceptable()) {
    refuseUpgrade(fd, req);
    return;
  }
  const std::string browserReply = kind == Handshake::Browser ? BrowserReply(req.key()) : std::string();
  const bool replied = kind == Handshake::Done      ? sendReply(fd, hs)
                       : kind == Handshake::Browser ? platform::sendAllWithin(fd, browserReply.data(),
                                                                              browserReply.size(), wsTimings().sendMs)
                                                    : false;
  if (!replied) {
    platform::closeSocket(fd);
    return;
  }
  AttachConnection(w, fd);
  isFirst = 1;
  if (kind == Handshake::Browser) {
    BrowserFrameReader reader(w);
    if (checkPassphrase(w, in, reader, peer)) browserLoop(w, in, reader);
  } else {
    FrameReader reader;
    if (checkPassphrase(w, in, reader, peer)) messageLoop(w, in, reader);
  }
  platform::sysLog(kInfo, "TCP exiting");
  DropConnection(w);
  platform::sysLog(kInfo, "TCP closed");
}

int openListener(Works* w) {
  const platform::TcpListen l = platform::listenTcp(w->tcpPort, 1);
  switch (l.failure) {
    case platform::TcpListen::Failure::Socket:
      platform::sysLog(kErr, "Socket open error %d", l.error);
      break;
    case platform::TcpListen::Failure::Bind:
      platform::sysLog(kErr, "Binding error %d", l.error);
      break;
    case platform::TcpListen::Failure::Listen:
      platform::sysLog(kErr, "Listening error %d", l.error);
      break;
    case platform::TcpListen::Failure::None:
      platform::sysLog(kInfo, "Listening on port %d", platform::localPort(l.fd));
      break;
  }
  return l.fd;
}

}  // namespace

namespace {
std::atomic<int> gListeningPort{0};
}

int WsocketListeningPort() { return gListeningPort; }

void Wsocket(Works* w) {
  staticworks = w;
  platform::sysLog(kInfo, "Wsocket on port %d mode %c", w->tcpPort.load(), w->setup->WebSocket.load());
  platform::outPrintf("wsocket\n\n");
  if (!platform::sleepWhileRunning(wsTimings().startPauseMs, w->running)) return;
  const int listenFd = openListener(w);
  if (listenFd < 0) return;
  gListeningPort = platform::localPort(listenFd);
  while (w->running) {
    w->wsConnected = 0;
    const platform::TcpAccept a = platform::acceptTcp(listenFd, kAcceptSliceMs);
    if (a.timedOut) continue;
    if (a.fd < 0) {
      platform::sysLog(kErr, "Accept-ing error %d", a.error);
      break;
    }
    platform::sysLog(kInfo, "Connected by %s", a.peer.c_str());
    if (serverBans().refused(a.peer, platform::monotonicMs())) {
      platform::sysLog(kErr, "%s refused: too many wrong passphrases", a.peer.c_str());
      platform::closeSocket(a.fd);
      continue;
    }
    serve(w, a.fd, a.peer);
  }
  gListeningPort = 0;
  platform::closeSocket(listenFd);
}
