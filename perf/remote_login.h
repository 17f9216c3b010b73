#pragma once
// A far unit's login over loopback for the remote benchmarks: the program's
// own request lines, the reply read to its empty line, then the passphrase.
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/net.h"
#include "remote/ws_frame.h"
#include "remote/ws_handshake.h"
#include "remote/ws_stream.h"
#include "state/setup.h"

inline int loginOverLoopback(int port) {
  const int fd = platform::createTcpSocket();
  platform::connectTcp(fd, "127.0.0.1", static_cast<uint16_t>(port), 1000);
  for (const std::string& l : ClientRequestLines("127.0.0.1", port, "dGhlIHNhbXBsZSBub25jZQ=="))
    platform::sendAllWithin(fd, l.data(), l.size(), 1000);
  SocketStream in(fd, nullptr);
  std::string line;
  do in.readLine(line, platform::monotonicMs() + 2000);
  while (line.size() > 2);
  const FrameBytes pass = TextFrame(reinterpret_cast<const uint8_t*>(kWsPassword), std::strlen(kWsPassword));
  platform::sendAllWithin(fd, pass.data(), pass.size(), 1000);
  return fd;
}
