// The program's own client against its own server, both on 127.0.0.1: what
// the server sends reaches the client, screen images land in the client's
// draw buffer, and the client reconnects or stops as it must.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "display_helpers.h"
#include "platform/clock.h"
#include "platform/net.h"
#include "remote/ws_handshake.h"
#include "remote/ws_screen.h"
#include "remote/ws_send.h"
#include "remote/ws_stream.h"
#include "remote_harness.h"
#include "state/setup_record.h"
#include "wait_until.h"

namespace {

class TwoUnits : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    useTestTimings();
    server_.startServer();
    client_.startClient(server_.port());
    ASSERT_TRUE(waitUntil([&] { return server_.w()->wsConnected == 1 && client_.w()->wsConnected == 1; }, 3000));
  }
  void TearDown() override {
    client_.stop();
    server_.stop();
    restoreTimings();
    SandboxTest::TearDown();
  }
  RemoteUnit server_, client_;
};

TEST_F(TwoUnits, StatusTextAndCommandsTravelBothWays) {
  // The status text is the connection thread's own; what it shows of it is
  // the line it writes before looking for a command.
  LogCapture log;
  const char status[] = "20m 1000T0001.1000150.0000.5035.013.8001.202000000000;";
  ASSERT_GT(sendWebSockStatusFrame(server_.w(), status, 44), 0);
  EXPECT_TRUE(waitUntil([&] { return log.contains("BUFFER Wsocket : " + std::string(status, 44) + "\n"); }, 2000));
  ASSERT_GT(sendWebSockStatusFrame(client_.w(), "ORVAFD9", 7), 0);
  EXPECT_TRUE(waitUntil([&] { return server_.w()->Divide == 9; }, 2000));
}

TEST_F(TwoUnits, JpegScreenImageArrivesInTheClientsDrawBuffer) {
  paintTestScreen(server_.fb());
  server_.w()->jpegQuality = 90;
  const int bytes = sendWebSockFbFrame();
  ASSERT_GT(bytes, 0);
  EXPECT_LT(static_cast<unsigned>(bytes), server_.fb()->memSize);  // JPEG, not raw
  FrameBuffer* c = client_.fb();
  const FrameBuffer* s = server_.fb();
  ASSERT_TRUE(waitUntil(
      [&] {
        std::lock_guard lock(c->drawLock);
        return std::memcmp(c->screenMem, c->drawMem, c->memSize) == 0 && c->drawMem[0] != 0;
      },
      3000));
  std::lock_guard lock(c->drawLock);
  // JPEG is lossy: every channel within a tolerance, the mean error small.
  long sum = 0;
  int worst = 0;
  for (unsigned i = 0; i < s->memSize; ++i) {
    if (i % 4 == 3) continue;
    const int d = std::abs(int(s->drawMem[i]) - int(c->drawMem[i]));
    sum += d;
    worst = std::max(worst, d);
  }
  EXPECT_LT(static_cast<double>(sum) / (s->memSize * 3 / 4), 3.0);
  EXPECT_LT(worst, 80);
}

TEST_F(TwoUnits, RawScreenImageArrivesExactly) {
  paintTestScreen(server_.fb());
  fbRealize(server_.fb());
  server_.w()->jpegQuality = 0;
  ASSERT_EQ(sendWebSockFbFrame(), static_cast<int>(server_.fb()->memSize));
  EXPECT_TRUE(waitUntil(
      [&] {
        std::lock_guard lock(client_.fb()->drawLock);
        return std::memcmp(client_.fb()->drawMem, server_.fb()->screenMem, server_.fb()->memSize) == 0;
      },
      3000));
}

TEST_F(TwoUnits, OnlyTheServerSendsScreenImages) {
  staticworks = client_.w();
  EXPECT_EQ(sendWebSockFbFrame(), 0);
  staticworks = server_.w();
}

TEST_F(TwoUnits, ClientReconnectsWithTheSameKeyAfterADrop) {
  // Dropping the server's side of the connection: the client sees the end
  // of its stream and comes back.
  platform::shutdownSocket(server_.w()->sockFD);
  EXPECT_TRUE(waitUntil([&] { return client_.w()->wsConnected == 0 || server_.w()->wsConnected == 0; }, 2000));
  EXPECT_TRUE(waitUntil([&] { return server_.w()->wsConnected == 1 && client_.w()->wsConnected == 1; }, 3000));
  ASSERT_GT(sendWebSockStatusFrame(server_.w(), "ORVAFD4", 7), 0);
  EXPECT_TRUE(waitUntil([&] { return client_.w()->Divide == 4; }, 2000));
}

// A server of our own making that answers with a wrong accept value.
TEST(ClientHandshake, WrongAcceptStopsTheProgram) {
  useTestTimings();
  const platform::TcpListen l = platform::listenTcp(0, 1);
  ASSERT_GE(l.fd, 0);
  RemoteUnit client;
  client.startClient(platform::localPort(l.fd));
  const platform::TcpAccept a = platform::acceptTcp(l.fd, 3000);
  ASSERT_GE(a.fd, 0);
  SocketStream in(a.fd, nullptr);
  std::string line;
  do in.readLine(line, platform::monotonicMs() + 2000);
  while (line.size() > 2);
  const std::string reply =
      "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
      "Sec-WebSocket-Accept: AAAAAAAAAAAAAAAAAAAAAAAAAAA=\r\nSec-WebSocket-Protocol: chat\r\n\r\n";
  platform::sendAllWithin(a.fd, reply.data(), reply.size(), 1000);
  EXPECT_TRUE(waitUntil([&] { return client.w()->running == 0; }, 3000));
  client.stop();
  platform::closeSocket(a.fd);
  platform::closeSocket(l.fd);
  restoreTimings();
}

TEST(ClientHandshake, ServerDownAtStartIsWaitedFor) {
  useTestTimings();
  const platform::TcpListen probe = platform::listenTcp(0, 1);
  const int port = platform::localPort(probe.fd);
  platform::closeSocket(probe.fd);
  RemoteUnit client;
  client.startClient(port);
  platform::sleepMs(300);  // a few refused attempts
  EXPECT_EQ(client.w()->wsConnected, 0);
  const platform::TcpListen l = platform::listenTcp(static_cast<uint16_t>(port), 1);
  ASSERT_GE(l.fd, 0);
  const platform::TcpAccept a = platform::acceptTcp(l.fd, 3000);
  EXPECT_GE(a.fd, 0);
  client.stop();
  platform::closeSocket(a.fd);
  platform::closeSocket(l.fd);
  restoreTimings();
}

TEST(CatFrames, LongCatMessagesGoOutAsSeveralShortFrames) {
  useTestTimings();
  RemoteUnit server;
  server.startServer();
  RawPeer peer(server.port());
  ASSERT_TRUE(peer.login("lindoramesca"));
  ASSERT_TRUE(waitUntil([&] { return server.w()->wsConnected == 1; }, 2000));
  std::string message(149, 'a');
  message += ';';
  ASSERT_EQ(sendWebSockCatFrame(server.w(), message.data(), static_cast<int>(message.size())), 150 + 8);
  FrameBytes first, second;
  ASSERT_TRUE(peer.readFrame(first));
  ASSERT_TRUE(peer.readFrame(second));
  EXPECT_EQ(first[0], kOpBinary);
  EXPECT_EQ(first[1], 125);
  EXPECT_EQ(std::string(first.begin() + 2, first.begin() + 4), "CA");
  EXPECT_EQ(second[1], 2 + 27);
  EXPECT_EQ(std::string(first.begin() + 4, first.end()) + std::string(second.begin() + 4, second.end()), message);
  // A short one stays one frame.
  ASSERT_EQ(sendWebSockCatFrame(server.w(), "FA;", 3), 7);
  FrameBytes one;
  ASSERT_TRUE(peer.readFrame(one));
  EXPECT_EQ(std::string(one.begin(), one.end()), std::string("\x82\x05" "CAFA;", 7));
  server.stop();
  restoreTimings();
}

TEST(Senders, NothingIsWrittenWithoutAPeer) {
  OwnedWorks w;
  w->wsConnected = 0;
  w->sockFD = -1;
  EXPECT_EQ(sendWebSockStatusFrame(w.get(), "x", 1), 0);
  EXPECT_EQ(sendWebSockCatFrame(w.get(), "x;", 2), 0);
  EXPECT_EQ(sendWebSockEventFrame(w.get(), 1, 2), 0);
  EXPECT_EQ(sendWebSockSerSpectrFrame(w.get(), reinterpret_cast<const uint8_t*>("x"), 1), 0);
}

}  // namespace
