#include "remote/ws_server.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/log_limit.h"
#include "platform/net.h"
#include "platform/tls.h"
#include "platform/transport.h"
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
#include "remote/pairing.h"
#include "remote/tls_identity.h"
#include "remote/tx_release.h"
#include "remote/ws_timing.h"
#include "state/remote_settings.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr int kAcceptSliceMs = 200;
// A request has seven known lines; a peer that sends this many without
// finishing is not a unit of ours.
constexpr int kHandshakeLinesMax = 64;
// A refused address is heard only long enough to tell a browser why.
constexpr int kRefusedHearingMs = 1000;
// How often a connected peer's loop looks at the transmit time limit.
constexpr int kIdleTickMs = 250;
// Time the writer gets to send a close frame before the socket goes.
constexpr int kCloseDrainMs = 300;
constexpr uint16_t kClosePolicy = 1008;

int isFirst = 0;  // 1: the next text frame is the passphrase; 2 afterwards
// The address being served, for the log lines of its handshake: a peer may
// cause them at will, so each kind is let through once a second per peer.
thread_local std::string connectionPeer;

enum class Handshake { Done, Browser, Page, Failed };

// How one accepted peer is spoken to: plain TCP, or TLS when its first byte
// opens a TLS handshake (a browser on the HTTPS page).
class Peer {
 public:
  explicit Peer(int fd) : fd_(fd), plain_(std::make_shared<platform::PlainTransport>(fd)) {}
  // False when the peer sent nothing in time, or its TLS handshake failed.
  bool open(int64_t deadlineMs) {
    const int starts = platform::PeerStartsTls(fd_, left(deadlineMs));
    if (starts < 0) return false;
    if (starts == 0) return true;
    const std::shared_ptr<platform::TlsServer> server = UnitTlsServer();
    auto tls = std::make_shared<platform::TlsConnection>();
    std::string error;
    if (!server || !tls->accept(*server, fd_, left(deadlineMs), error)) {
      platform::sysLogLimited("tls handshake", connectionPeer.c_str(), kErr, "%s: TLS handshake failed: %s",
                              connectionPeer.c_str(), server ? error.c_str() : "no TLS identity");
      return false;
    }
    tls_ = std::move(tls);
    return true;
  }
  bool tls() const { return tls_ != nullptr; }
  platform::Transport& io() { return tls_ ? static_cast<platform::Transport&>(*tls_) : *plain_; }
  std::shared_ptr<platform::Transport> shared() {
    return tls_ ? std::shared_ptr<platform::Transport>(tls_) : std::shared_ptr<platform::Transport>(plain_);
  }

 private:
  static int left(int64_t deadlineMs) {
    const int64_t l = deadlineMs - platform::monotonicMs();
    return l > 0 ? static_cast<int>(l) : 0;
  }
  int fd_;
  std::shared_ptr<platform::PlainTransport> plain_;
  std::shared_ptr<platform::TlsConnection> tls_;
};

Handshake readRequest(SocketStream& in, ServerHandshake& hs, HttpRequest& req) {
  std::string line;
  for (int lines = 0; !hs.complete(); ++lines) {
    if (lines >= kHandshakeLinesMax) {
      platform::sysLogLimited("handshake lines", connectionPeer.c_str(), kErr, "%s: handshake of more than %d lines refused",
                              connectionPeer.c_str(), kHandshakeLinesMax);
      return Handshake::Failed;
    }
    switch (in.readLine(line, 0)) {
      case SocketStream::LineResult::Line:
        hs.line(line);
        req.line(line, kHandshakeLineMax);
        if (req.kind() == HttpRequest::Kind::TooLong) {
          platform::sysLogLimited("request line", connectionPeer.c_str(), kErr, "%s: request line longer than %zu bytes, dropped",
                                  connectionPeer.c_str(), kHandshakeLineMax);
          return Handshake::Failed;
        }
        if (req.kind() == HttpRequest::Kind::Browser) return Handshake::Browser;
        if (req.kind() == HttpRequest::Kind::Page) return Handshake::Page;
        break;
      case SocketStream::LineResult::Timeout:
        platform::sysLogLimited("handshake time", connectionPeer.c_str(), kErr, "%s: login not completed in time, dropped",
                                connectionPeer.c_str());
        return Handshake::Failed;
      case SocketStream::LineResult::Error:
        platform::sysLog(kErr, "TCP read error %d", in.lastError());
        return Handshake::Failed;
      case SocketStream::LineResult::End:
        platform::sysLogLimited("handshake closed", connectionPeer.c_str(), kInfo, "%s: closed during the handshake",
                                connectionPeer.c_str());
        return Handshake::Failed;
    }
  }
  return Handshake::Done;
}

bool sendText(platform::Transport& io, const std::string& text) {
  return io.sendAllWithin(text.data(), text.size(), wsTimings().sendMs);
}

bool sendReply(platform::Transport& io, const ServerHandshake& hs) {
  for (const std::string& line : ServerReplyLines(hs.clientKey)) {
    const bool ok = sendText(io, line);
    platform::sysLog(kInfo, "sent %d bytes error %d", ok ? static_cast<int>(line.size()) : -1, ok ? 0 : errno);
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

// A browser is told in words why it was refused; the page shows them.
void closeBrowser(platform::Transport& io, const std::string& reason) {
  const FrameBytes close = CloseFrame(kClosePolicy, reason);
  io.sendAllWithin(close.data(), close.size(), wsTimings().sendMs);
}

// A login that did not end with a correct passphrase counts against the
// address, whether the passphrase was wrong or never came.
void countFailure(const std::string& peer, platform::Transport& io, bool browser) {
  const int64_t now = platform::monotonicMs();
  if (!serverBans().failedTry(peer, now, wsTimings().banWindowMs, wsTimings().banMs)) return;
  platform::sysLog(kErr, "%s refused for %d s after %d failed logins", peer.c_str(), wsTimings().banMs / 1000,
                   PeerBans::kWrongAllowed);
  if (browser) closeBrowser(io, "locked out for " + std::to_string(wsTimings().banMs / 1000) + " s");
}

enum class Passphrase { Accepted, Wrong, NotOwner, Failed, Paired, PairingRefused };

// A browser on a unit without an owner passphrase may ask for a pairing code
// ("PAIR?") or answer with it ("PAIR <code> <passphrase>") instead of its
// passphrase. `told` is what the page is then told.
Passphrase pairing(Works* w, std::string_view text, const std::string& peer, std::string& told) {
  const int64_t now = platform::monotonicMs();
  Pairing r;
  if (text == "PAIR?") {
    r = RequestPairing(w, now);
  } else {
    const std::string_view rest = text.substr(5);
    const size_t blank = rest.find(' ');
    r = blank == std::string_view::npos ? Pairing::WrongCode
                                        : CompletePairing(w, rest.substr(0, blank), rest.substr(blank + 1), now);
  }
  told = PairingText(r);
  platform::sysLog(r == Pairing::Shown || r == Pairing::Set ? kInfo : kErr, "%s: pairing: %s", peer.c_str(),
                   told.c_str());
  if (r == Pairing::WrongCode || r == Pairing::WindowEnded) return Passphrase::Wrong;
  return r == Pairing::Set || r == Pairing::Shown ? Passphrase::Paired : Passphrase::PairingRefused;
}

bool isPairing(std::string_view text) { return text == "PAIR?" || text.substr(0, 5) == "PAIR "; }

// The first frame after the handshake must be the passphrase, and nothing
// else is taken before it: every other frame could act on the amplifier.
// Neither the expected text nor the received one is ever logged.
template <typename Reader>
Passphrase checkPassphrase(Works* w, SocketStream& in, Reader& reader, const std::string& peer, bool browser,
                           std::string& told) {
  WsFrame f;
  const ReadStatus st = reader.read(in, f);
  if (st != ReadStatus::Frame) {
    platform::sysLog(kInfo, "TCP read Error 2a %d (%s before the passphrase)", in.lastError(), ReadStatusText(st));
    return Passphrase::Failed;
  }
  if (f.form != FrameForm::Text) {
    platform::sysLogLimited("frame first", peer.c_str(), kErr, "%s sent a frame before its passphrase, dropped", peer.c_str());
    return Passphrase::Failed;
  }
  isFirst = 2;
  const std::string_view received(reinterpret_cast<const char*>(f.body), f.bodyLength);
  if (browser && isPairing(received)) return pairing(w, received, peer, told);
  const std::string expected = w->wsPassword;
  if (!PassphraseMatches(expected, received)) {
    platform::sysLogLimited("wrong passphrase", peer.c_str(), kErr, "%s: wrong passphrase", peer.c_str());
    return Passphrase::Wrong;
  }
  // A web page can be opened from anywhere on the LAN: the shared default
  // of every unit is not enough for it.
  if (browser && w->passphraseSource != kPassphraseOwner) {
    platform::sysLogLimited("no owner passphrase", peer.c_str(), kErr, "%s: browser refused, the owner passphrase is not set",
                            peer.c_str());
    return Passphrase::NotOwner;
  }
  platform::sysLog(kInfo, "%s: passphrase accepted", peer.c_str());
  markConnected(w);
  platform::sysLog(kInfo, "Receiving data");
  return Passphrase::Accepted;
}

// Waits for the next frame while looking at the transmit time limit. The
// frame may be as late as the peer likes; once begun it must not stall.
template <typename Reader>
ReadStatus nextFrame(Works* w, SocketStream& in, Reader& reader, WsFrame& f) {
  for (;;) {
    in.setIdleDeadline(platform::monotonicMs() + kIdleTickMs);
    const ReadStatus st = reader.read(in, f);
    if (st != ReadStatus::Stalled || !in.idleExpired() || !w->running) return st;
    CheckRemoteTxLimit(w, platform::monotonicMs());
    if (w->wsConnected != 1) return ReadStatus::Closed;  // dropped by its writer
  }
}

void messageLoop(Works* w, SocketStream& in, FrameReader& reader) {
  FrameDispatcher dispatcher(w, PeerSide::Server);
  WsFrame f;
  while (w->running) {
    const ReadStatus st = nextFrame(w, in, reader, f);
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
    const ReadStatus st = nextFrame(w, in, reader, f);
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

// The page only over TLS: a plain request is sent there.
bool answerPage(platform::Transport& io, const HttpRequest& req, bool tls) {
  platform::sysLog(kInfo, "HTTP %s%s", req.isGet() ? "GET" : "request", tls ? "" : " (plain: sent to HTTPS)");
  return sendText(io, tls ? HttpAnswer(req.isGet(), req.path()) : HttpsRedirect(req.host(), req.path()));
}

// What a browser's upgrade is refused with, or empty when it may go on.
std::string browserRefusal(const HttpRequest& req, bool tls) {
  if (!req.upgradeAcceptable()) {
    platform::sysLog(kErr, "browser upgrade refused: %s",
                     req.versionSupported() ? "not a GET with a 16-byte key" : "WebSocket version other than 13");
    return BrowserRefusal(req.versionSupported());
  }
  // Any page the browser shows could open this socket: only the unit's own
  // page may.
  if (!req.sameOrigin("https")) {
    platform::sysLogLimited("cross origin", connectionPeer.c_str(), kErr, "%s: browser upgrade refused: the page is not the unit's own",
                            connectionPeer.c_str());
    return CrossOriginRefusal();
  }
  // The passphrase never crosses the network in the clear.
  if (!tls) {
    platform::sysLogLimited("plain upgrade", connectionPeer.c_str(), kErr, "%s: browser upgrade refused: not over TLS",
                            connectionPeer.c_str());
    return CrossOriginRefusal();
  }
  return {};
}

// A refused address learns nothing but, if it is a browser, why.
void tellRefused(Works* w, int fd, const std::string& peer, int64_t until) {
  Peer p(fd);
  const int64_t deadline = platform::monotonicMs() + kRefusedHearingMs;
  if (p.open(deadline)) {
    SocketStream in(fd, &w->running, &p.io());
    in.setHardDeadline(deadline);
    ServerHandshake hs;
    HttpRequest req;
    if (readRequest(in, hs, req) == Handshake::Browser && browserRefusal(req, p.tls()).empty() &&
        sendText(p.io(), BrowserReply(req.key()))) {
      const int64_t left = (until - platform::monotonicMs() + 999) / 1000;
      closeBrowser(p.io(), "locked out for " + std::to_string(left > 0 ? left : 1) + " s");
    }
  }
  platform::sysLogLimited("locked out", peer.c_str(), kErr, "%s refused: too many failed logins", peer.c_str());
}

// Handshake and passphrase, within one time limit from the connect.
// True when the peer is logged in.
template <typename Reader>
bool login(Works* w, platform::Transport& io, SocketStream& in, Reader& reader, const std::string& peer,
           bool browser) {
  std::string told;
  const Passphrase p = checkPassphrase(w, in, reader, peer, browser, told);
  if (p == Passphrase::Accepted) return true;
  if (p == Passphrase::Paired || p == Passphrase::PairingRefused) {
    closeBrowser(io, told);
    return false;
  }
  if (browser && p == Passphrase::Wrong) closeBrowser(io, told.empty() ? "wrong passphrase" : told);
  if (browser && p == Passphrase::NotOwner) closeBrowser(io, "owner passphrase not set");
  if (p != Passphrase::NotOwner) countFailure(peer, io, browser);
  return false;
}

void serve(Works* w, int fd, const std::string& peer) {
  Peer p(fd);
  const int64_t deadline = platform::monotonicMs() + wsTimings().loginMs;
  if (!p.open(deadline)) {
    countFailure(peer, p.io(), false);
    platform::closeSocket(fd);
    return;
  }
  SocketStream in(fd, &w->running, &p.io());
  in.setStallMs(wsTimings().stallMs);
  in.setHardDeadline(deadline);
  ServerHandshake hs;
  HttpRequest req;
  Handshake kind = readRequest(in, hs, req);
  if (kind == Handshake::Page) answerPage(p.io(), req, p.tls());
  if (kind == Handshake::Failed) countFailure(peer, p.io(), false);
  // Over TLS only browsers: units keep their plain dialect.
  if (kind == Handshake::Done && p.tls()) kind = Handshake::Failed;
  const bool browser = kind == Handshake::Browser;
  const std::string refusal = browser ? browserRefusal(req, p.tls()) : std::string();
  if (!refusal.empty()) sendText(p.io(), refusal);
  const bool replied = refusal.empty() && (kind == Handshake::Done      ? sendReply(p.io(), hs)
                                           : kind == Handshake::Browser ? sendText(p.io(), BrowserReply(req.key()))
                                                                        : false);
  if (!replied) {
    p.io().shutdown();
    platform::closeSocket(fd);
    return;
  }
  AttachConnection(w, fd, p.shared());
  isFirst = 1;
  BrowserFrameReader browserReader(w);
  FrameReader unitReader;
  const bool in_ = browser ? login(w, p.io(), in, browserReader, peer, true)
                           : login(w, p.io(), in, unitReader, peer, false);
  if (in_) {
    in.setHardDeadline(0);
    if (browser)
      browserLoop(w, in, browserReader);
    else
      messageLoop(w, in, unitReader);
  }
  platform::sysLog(kInfo, "TCP exiting");
  if (TransmitStands(w, true)) ReleaseTransmitter(w, "connection to the peer ended");
  DropConnection(w, browser ? kCloseDrainMs : 0);
  platform::sysLog(kInfo, "TCP closed");
}

int openListener(Works* w) {
  // ListenAddress keeps the server to one interface (the shack's LAN, say).
  const std::string address = w->setup->ListenAddress;
  const platform::TcpListen l = platform::listenTcp(w->tcpPort, 1, address);
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
      platform::sysLog(kInfo, "Listening on port %d (%s)", platform::localPort(l.fd),
                       address.empty() || address == "0.0.0.0" ? "every address" : address.c_str());
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
  if (w->passphraseSource == kPassphraseUnusable) {
    platform::sysLog(kErr, "remote server not started: %s", PassphraseSummary(w).c_str());
    return;
  }
  platform::outPrintf("wsocket\n\n");
  if (!platform::sleepWhileRunning(wsTimings().startPauseMs, w->running)) return;
  // Made (or read) now, so its fingerprint is on the information screen
  // before any browser asks.
  UnitTlsServer();
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
    connectionPeer = a.peer;
    platform::sysLogLimited("connected", a.peer.c_str(), kInfo, "Connected by %s", a.peer.c_str());
    const int64_t until = serverBans().refusedUntil(a.peer, platform::monotonicMs());
    if (until > 0) {
      tellRefused(w, a.fd, a.peer, until);
      platform::closeSocket(a.fd);
      continue;
    }
    serve(w, a.fd, a.peer);
  }
  gListeningPort = 0;
  platform::closeSocket(listenFd);
}
