// The server over a real socket on 127.0.0.1: the handshake as peers send it,
// the passphrase, remote commands, and peers that misbehave, each followed by
// a good peer that must be served normally.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "display_helpers.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "remote/ws_guard.h"
#include "remote/ws_handshake.h"
#include "remote_harness.h"
#include "state/setup_record.h"
#include "wait_until.h"

namespace {

class ServerTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    useTestTimings();
    unit_.startServer();
    ASSERT_GT(unit_.port(), 0);
  }
  void TearDown() override {
    unit_.stop();
    restoreTimings();
    SandboxTest::TearDown();
  }
  // A good peer logs in and is served. Like the program's client it tries
  // again when a connect is refused or times out: with a backlog of one, the
  // kernel turns connects away while dead ones still queue.
  void expectGoodPeerServed() {
    std::unique_ptr<RawPeer> peer;
    for (int attempt = 0; attempt < 5; ++attempt) {
      peer = std::make_unique<RawPeer>(unit_.port());
      if (peer->connected() && peer->login("lindoramesca")) break;
      peer.reset();
    }
    ASSERT_TRUE(peer);
    RawPeer& good = *peer;
    EXPECT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
    const std::string st = "ORVAFD7";
    ASSERT_TRUE(good.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>(st.data()), st.size())));
    EXPECT_TRUE(waitUntil([&] { return unit_.w()->Divide == 7; }, 2000));
  }
  RemoteUnit unit_;
};

TEST_F(ServerTest, ReplyCarriesTheAcceptOfTheClientKey) {
  RawPeer peer(unit_.port());
  ASSERT_TRUE(peer.sendRequest("dGhlIHNhbXBsZSBub25jZQ=="));
  const std::string reply = peer.readReply();
  EXPECT_EQ(reply,
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\nSec-WebSocket-Protocol: chat\r\n\r\n");
}

TEST_F(ServerTest, ConnectionUpgradeAloneLeavesTheServerWaitingUntilItsTimeLimit) {
  RawPeer peer(unit_.port());
  ASSERT_TRUE(peer.send(
      "GET /chat HTTP/1.1\r\nHost: a:1\r\nSec-WebSocket-Version: 13\r\nSec-WebSocket-Protocol: chat\r\n"
      "Sec-WebSocket-Key: k\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n\r\n"));
  EXPECT_EQ(peer.readReply(300), "");       // still reading: one line short
  EXPECT_TRUE(peer.closedWithin(2000));      // then dropped at the handshake limit
  expectGoodPeerServed();
}

TEST_F(ServerTest, CorrectPassphraseConnectsWrongOrLongerDrops) {
  for (const char* wrong : {"lindoramescb", "lindoramesca!", "lindora"}) {
    RawPeer peer(unit_.port());
    ASSERT_TRUE(peer.login(wrong));
    EXPECT_TRUE(peer.closedWithin(2000)) << wrong;
    EXPECT_EQ(unit_.w()->wsConnected, 0);
  }
  expectGoodPeerServed();
}

TEST_F(ServerTest, OwnersPassphraseReplacesTheDefault) {
  std::snprintf(unit_.w()->wsPassword, sizeof unit_.w()->wsPassword, "a much longer owner secret");
  RawPeer old(unit_.port());
  ASSERT_TRUE(old.login("lindoramesca"));
  EXPECT_TRUE(old.closedWithin(2000));
  RawPeer owner(unit_.port());
  ASSERT_TRUE(owner.login("a much longer owner secret"));
  EXPECT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
}

TEST_F(ServerTest, FiveWrongPassphrasesRefuseTheAddressForAWhile) {
  LogCapture log;
  for (int i = 0; i < 5; ++i) {
    RawPeer peer(unit_.port());
    ASSERT_TRUE(peer.login("guess" + std::to_string(i)));
    ASSERT_TRUE(peer.closedWithin(2000));
  }
  EXPECT_TRUE(waitUntil([&] { return log.contains("127.0.0.1 refused for 1 s after 5 failed logins"); }, 1000));
  RawPeer refused(unit_.port());
  // Heard for a second at most (a browser would be told why), never answered.
  EXPECT_TRUE(refused.closedWithin(1500));
  EXPECT_TRUE(waitUntil([&] { return log.contains("127.0.0.1 refused: too many failed logins"); }, 1000));
  platform::sleepMs(1600);  // the test's refusal time has run out
  expectGoodPeerServed();
}

TEST_F(ServerTest, NothingButThePassphraseIsTakenBeforeIt) {
  RawPeer peer(unit_.port());
  ASSERT_TRUE(peer.sendRequest());
  ASSERT_FALSE(peer.readReply().empty());
  const std::string cmd = "ORVAFD42";
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>(cmd.data()), cmd.size())));
  EXPECT_TRUE(peer.closedWithin(2000));
  EXPECT_NE(unit_.w()->Divide, 42);
  expectGoodPeerServed();
}

TEST_F(ServerTest, HostilePeersCostOnlyTheirOwnConnection) {
  struct Case {
    const char* what;
    std::string afterLogin;  // bytes sent once logged in ("" = stay silent mid-frame)
  } cases[] = {
      {"32-bit length of 2 GB", std::string("\x82\x7F\x7F\xFF\xFF\xFF", 6)},
      {"frame that stops half-way", std::string("\x82\x7E\x02\x0A" "FB\x00\x00", 8)},
      {"binary frame shorter than its tag", std::string("\x82\x00\x00\x00", 4)},
  };
  for (const Case& c : cases) {
    RawPeer peer(unit_.port());
    ASSERT_TRUE(peer.login("lindoramesca")) << c.what;
    ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000)) << c.what;
    ASSERT_TRUE(peer.send(c.afterLogin));
    EXPECT_TRUE(peer.closedWithin(2000)) << c.what;
  }
  {
    RawPeer silent(unit_.port());  // connects and says nothing
    EXPECT_TRUE(silent.closedWithin(2000));
  }
  {
    RawPeer garbage(unit_.port());
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 7919) % 251);
    garbage.send(noise);
    EXPECT_TRUE(garbage.closedWithin(2000));
  }
  {
    RawPeer noPassphrase(unit_.port());
    ASSERT_TRUE(noPassphrase.sendRequest());
    ASSERT_FALSE(noPassphrase.readReply().empty());
    EXPECT_TRUE(noPassphrase.closedWithin(2000));
  }
  expectGoodPeerServed();
}

TEST_F(ServerTest, AFloodOfConnectsStillLetsAGoodPeerIn) {
  std::vector<std::unique_ptr<RawPeer>> flood;
  for (int i = 0; i < 20; ++i) flood.push_back(std::make_unique<RawPeer>(unit_.port(), "127.0.0.9"));
  flood.clear();  // they all go away without a word
  expectGoodPeerServed();
  // Each was a login never finished: the flooding address is locked out.
  EXPECT_TRUE(serverBans().refused("127.0.0.9", platform::monotonicMs()));
}

TEST_F(ServerTest, RemoteCommandsInStatusText) {
  RawPeer peer(unit_.port());
  ASSERT_TRUE(peer.login("lindoramesca"));
  Works* w = unit_.w();
  auto command = [&](const std::string& text) {
    ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>(text.data()), text.size())));
    // A plain status frame after it tells when the command has been handled.
    const std::string marker = "ORVAFD55";
    ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>(marker.data()), marker.size())));
    ASSERT_TRUE(waitUntil([&] { return w->Divide == 55; }, 2000)) << text;
  };
  w->setup->fftFlag = '1';
  command("ORVAFT00");
  EXPECT_EQ(w->setup->fftFlag, '0');
  w->Divide = 1;
  w->setup->Enable1600 = '1';
  command("ORVAFT01 and more");
  EXPECT_EQ(w->setup->fftFlag, '1');
  EXPECT_EQ(w->setup->Enable1600, '0');
  // ORVAFT01 raised Divide from 1 to 2; the marker has since set 55.
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAFD8"), 7)));
  ASSERT_TRUE(waitUntil([&] { return w->Divide == 8; }, 2000));
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAFT02"), 8)));
  ASSERT_TRUE(waitUntil([&] { return w->setup->Enable1600 == '1'; }, 2000));
  EXPECT_EQ(w->Divide, 8);  // above 1: left alone
  command("ORVAFD");
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAFD"), 6)));
  EXPECT_TRUE(waitUntil([&] { return w->Divide == 0; }, 2000));  // no digits: 0
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAFD123456789012"), 18)));
  EXPECT_TRUE(waitUntil([&] { return w->Divide == 99; }, 2000));  // held to what the setting stores
  // Reboot goes through the board call: recorded in the sandbox, never run.
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVARB"), 6)));
  EXPECT_TRUE(waitUntil(
      [] {
        for (const std::string& c : platform::commandRecord())
          if (c == "reboot") return true;
        return false;
      },
      6000));
  EXPECT_EQ(w->tinyCmd, 197);
}

TEST_F(ServerTest, BankCommandChangesTheBank) {
  Works* w = unit_.w();
  w->MAXbank = 3;
  w->NumBanco = 1;
  RawPeer peer(unit_.port());
  ASSERT_TRUE(peer.login("lindoramesca"));
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVABANK"), 8)));
  EXPECT_TRUE(waitUntil([&] { return w->NumBanco != 1; }, 2000));
  const int after = w->NumBanco;
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAPA1"), 7)));
  EXPECT_TRUE(waitUntil([&] { return w->NumBanco != after; }, 2000));
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVATU2"), 7)));
  ASSERT_TRUE(peer.send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>("ORVAFD3"), 7)));
  EXPECT_TRUE(waitUntil([&] { return w->Divide == 3; }, 2000));
}

}  // namespace
