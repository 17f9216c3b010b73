#pragma once
// Units and peers over real sockets on 127.0.0.1: a unit runs the program's
// own server or client thread on its own `works`; a RawPeer is a hand-driven
// far end that sends exactly the bytes a test chooses.
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "display/memory_framebuffer.h"
#include "platform/tls.h"
#include "platform/transport.h"
#include "remote/ws_frame.h"
#include "works_fixture.h"

// Short time limits so hostile cases end quickly; restored by the fixture.
void useTestTimings();
void restoreTimings();

class RemoteUnit {
 public:
  RemoteUnit();
  ~RemoteUnit();
  void startServer();  // on a free port; waits until it listens
  void startClient(int port);
  void stop();
  Works* w() { return works_.get(); }
  FrameBuffer* fb() { return fb_.get(); }
  int port() const { return port_; }

 private:
  OwnedWorks works_;
  MemoryFrameBuffer fb_{64, 48};
  std::thread thread_;
  int port_ = 0;
};

class RawPeer {
 public:
  // Connects to the unit on 127.0.0.1, speaking from the loopback address
  // `from` (127.0.0.2 ...) when given: each address is another peer to the
  // unit's lock-out.
  explicit RawPeer(int port, const std::string& from = {});
  int fd() const { return fd_; }
  // Speaks TLS from here on, as a browser on the HTTPS page does; the
  // unit's certificate is taken without a check.
  bool startTls();
  ~RawPeer();
  bool connected() const { return fd_ > 0; }
  bool send(const std::string& bytes);
  bool send(const FrameBytes& frame) { return send(std::string(frame.begin(), frame.end())); }
  // The program's own request lines for `key`.
  bool sendRequest(const std::string& key = "dGhlIHNhbXBsZSBub25jZQ==");
  // Reads until the reply's empty line; the reply text, or "" on failure.
  std::string readReply(int timeoutMs = 2000);
  bool sendPassphrase(const std::string& pass);
  // Handshake and passphrase in one step.
  bool login(const std::string& pass);
  // One frame from the unit; false when none came in time or the unit closed.
  bool readFrame(FrameBytes& frame, int timeoutMs = 2000);
  // True when the unit closes the connection within `timeoutMs`.
  bool closedWithin(int timeoutMs);

 private:
  bool readExact(uint8_t* data, size_t n, int timeoutMs);
  platform::Transport& io() { return tls_ ? static_cast<platform::Transport&>(*tls_) : plain_; }
  int fd_ = -1;
  platform::PlainTransport plain_{-1};
  std::unique_ptr<platform::TlsConnection> tls_;
};

// 4-byte pixels B G R 0 of a test picture: smooth gradients and a few blocks,
// as a screen looks.
void paintTestScreen(FrameBuffer* fb);
