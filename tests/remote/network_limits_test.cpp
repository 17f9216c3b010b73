// The server against hostile peers over real sockets on the loopback: each
// limit holds for the whole exchange, every refusal is told to a browser in
// words, a peer that stops reading is dropped without any sender waiting on
// it, and a transmitter keyed from the peer never outlives the peer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/net.h"
#include "remote/pairing.h"
#include "remote/ws_browser.h"
#include "remote/ws_guard.h"
#include "remote/ws_send.h"
#include "remote/ws_server.h"
#include "remote/ws_timing.h"
#include "remote_harness.h"
#include "state/remote_settings.h"
#include "state/setup_record.h"
#include "wait_until.h"

namespace {

const uint8_t kKey[4] = {0x21, 0x43, 0x65, 0x07};

std::string browserRequest(const std::string& origin) {
  return "GET / HTTP/1.1\r\nHost: 127.0.0.1:6666\r\nConnection: Upgrade\r\nUpgrade: websocket\r\nOrigin: " + origin +
         "\r\nSec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
}
const std::string kOwnOrigin = "https://127.0.0.1:6666";

FrameBytes maskedText(const std::string& text) {
  return MaskedFrame(1, reinterpret_cast<const uint8_t*>(text.data()), text.size(), kKey);
}

// The reason of the close frame the unit ends a browser's connection with.
std::string closeReason(RawPeer& peer) {
  FrameBytes f;
  while (peer.readFrame(f, 2000))
    if (f.size() >= 4 && f[0] == 0x88) return std::string(f.begin() + 4, f.end());
  return "(no close frame)";
}

class NetworkLimitsTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    useTestTimings();
  }
  void start() {
    unit_.startServer();
    ASSERT_GT(unit_.port(), 0);
  }
  void TearDown() override {
    unit_.stop();
    restoreTimings();
    SandboxTest::TearDown();
  }
  // A unit peer from `from` logs in and its remote command acts.
  void expectServed(const std::string& from) {
    std::unique_ptr<RawPeer> peer;
    for (int attempt = 0; attempt < 5 && !peer; ++attempt) {
      peer = std::make_unique<RawPeer>(unit_.port(), from);
      if (!peer->connected() || !peer->login("lindoramesca")) peer.reset();
    }
    ASSERT_TRUE(peer) << from;
    ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000)) << from;
    const int divide = unit_.w()->Divide == 7 ? 8 : 7;
    const std::string st = "ORVAFD" + std::to_string(divide);
    ASSERT_TRUE(peer->send(ShortBinaryFrame("ST", reinterpret_cast<const uint8_t*>(st.data()), st.size())));
    EXPECT_TRUE(waitUntil([&] { return unit_.w()->Divide == divide; }, 2000)) << from;
  }
  RemoteUnit unit_;
};

TEST_F(NetworkLimitsTest, ADrippingPeerHasTheLoginTimeInAllAndEachSuchTryCounts) {
  start();
  for (int i = 0; i < PeerBans::kWrongAllowed; ++i) {
    RawPeer drip(unit_.port(), "127.0.0.3");
    const int64_t began = platform::monotonicMs();
    // One byte of a proper request every 100 ms: each read is quick, the
    // whole never ends.
    const std::string request = "GET /chat HTTP/1.1\r\nHost: 127.0.0.1:1\r\n";
    bool closed = false;
    for (size_t at = 0; at < request.size() && !closed; ++at) {
      drip.send(request.substr(at, 1));
      closed = drip.closedWithin(100);
    }
    EXPECT_TRUE(closed || drip.closedWithin(1000)) << "try " << i;
    EXPECT_LT(platform::monotonicMs() - began, 3000) << "the login limit is 600 ms here";
  }
  // The address is now refused even with the right passphrase; others are served.
  RawPeer late(unit_.port(), "127.0.0.3");
  EXPECT_FALSE(late.login("lindoramesca") && waitUntil([&] { return unit_.w()->wsConnected == 1; }, 500));
  EXPECT_TRUE(late.closedWithin(2000));
  expectServed("127.0.0.4");
}

TEST_F(NetworkLimitsTest, PeersThatDropBeforeThePassphraseAreLockedOutLikeGuessers) {
  start();
  for (int i = 0; i < PeerBans::kWrongAllowed; ++i) {
    RawPeer quitter(unit_.port(), "127.0.0.5");
    ASSERT_TRUE(quitter.sendRequest());
    ASSERT_FALSE(quitter.readReply().empty());
  }  // each closes here, before its passphrase
  ASSERT_TRUE(waitUntil([] { return serverBans().refused("127.0.0.5", platform::monotonicMs()); }, 2000));
  expectServed("127.0.0.6");
}

TEST_F(NetworkLimitsTest, APeerThatNeverReadsIsDroppedWhileSendersGoOn) {
  start();
  RawPeer sink(unit_.port(), "127.0.0.7");
  ASSERT_TRUE(sink.login("lindoramesca"));
  ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
  const std::string status(120, 'S');
  int calls = 0;
  // Far more than the queue and the kernel's buffers hold; the peer never reads.
  while (unit_.w()->wsConnected == 1 && calls < 400000) {
    sendWebSockStatusFrame(unit_.w(), status.data(), static_cast<int>(status.size()));
    ++calls;
    if (calls % 1000 == 0) platform::sleepMs(1);
  }
  EXPECT_EQ(unit_.w()->wsConnected, 0) << calls << " frames sent and the peer still connected";
  EXPECT_TRUE(sink.closedWithin(3000) || !sink.connected());
  expectServed("127.0.0.8");
}

TEST_F(NetworkLimitsTest, ABrowserUpgradeFromAnotherSiteIsForbidden) {
  unit_.w()->passphraseSource = kPassphraseOwner;
  start();
  for (const char* origin : {"https://evil.example", "https://127.0.0.1:6667", "http://127.0.0.1:6666", "null"}) {
    RawPeer page(unit_.port());
    ASSERT_TRUE(page.startTls());
    ASSERT_TRUE(page.send(browserRequest(origin)));
    EXPECT_EQ(page.readReply().substr(0, 12), "HTTP/1.1 403") << origin;
    EXPECT_TRUE(page.closedWithin(2000)) << origin;
  }
  RawPeer own(unit_.port());
  ASSERT_TRUE(own.startTls());
  ASSERT_TRUE(own.send(browserRequest("HTTPS://127.0.0.1:6666")));  // scheme and host are not case-sensitive
  EXPECT_EQ(own.readReply().substr(0, 12), "HTTP/1.1 101");
  ASSERT_TRUE(own.send(maskedText("lindoramesca")));
  EXPECT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
}

TEST_F(NetworkLimitsTest, ABrowserIsToldWhyItWasRefused) {
  start();
  {  // the shared default alone never opens the panel to a browser
    RawPeer browser(unit_.port());
    ASSERT_TRUE(browser.startTls());
    ASSERT_TRUE(browser.send(browserRequest(kOwnOrigin)));
    ASSERT_FALSE(browser.readReply().empty());
    ASSERT_TRUE(browser.send(maskedText("lindoramesca")));
    EXPECT_EQ(closeReason(browser), "owner passphrase not set");
    EXPECT_EQ(unit_.w()->wsConnected, 0);
  }
  unit_.w()->passphraseSource = kPassphraseOwner;
  for (int i = 1; i <= PeerBans::kWrongAllowed; ++i) {
    RawPeer browser(unit_.port());
    ASSERT_TRUE(browser.startTls());
    ASSERT_TRUE(browser.send(browserRequest(kOwnOrigin)));
    ASSERT_FALSE(browser.readReply().empty());
    ASSERT_TRUE(browser.send(maskedText("guess" + std::to_string(i))));
    const std::string reason = closeReason(browser);
    if (i < PeerBans::kWrongAllowed) {
      EXPECT_EQ(reason, "wrong passphrase") << i;
    }
  }
  RawPeer locked(unit_.port());
  ASSERT_TRUE(locked.startTls());
  ASSERT_TRUE(locked.send(browserRequest(kOwnOrigin)));
  ASSERT_EQ(locked.readReply().substr(0, 12), "HTTP/1.1 101");
  EXPECT_EQ(closeReason(locked).substr(0, 15), "locked out for ");
}

TEST_F(NetworkLimitsTest, EightEmptyLinesAreStillTheDialectsHandshake) {
  start();
  RawPeer peer(unit_.port());
  std::string lines;
  for (int i = 0; i < 8; ++i) lines += "\r\n";
  ASSERT_TRUE(peer.send(lines));
  EXPECT_EQ(peer.readReply().substr(0, 12), "HTTP/1.1 101");
}

// The companion's CAT port is a pipe here: what the unit writes to it is
// what the transceiver would be told.
class TransmitReleaseTest : public NetworkLimitsTest {
 protected:
  void SetUp() override {
    NetworkLimitsTest::SetUp();
    ASSERT_EQ(::pipe(cat_), 0);
    unit_.w()->catFD = cat_[1];
  }
  void TearDown() override {
    NetworkLimitsTest::TearDown();
    ::close(cat_[0]);
    ::close(cat_[1]);
  }
  // Text reaching the companion within `ms`, until it holds `wanted`.
  std::string companionHeard(const std::string& wanted, int ms) {
    const int64_t end = platform::monotonicMs() + ms;
    while (heard_.find(wanted) == std::string::npos) {
      const int left = static_cast<int>(end - platform::monotonicMs());
      if (left <= 0 || platform::waitReadable(cat_[0], left) <= 0) break;
      char buf[64];
      const ssize_t n = ::read(cat_[0], buf, sizeof buf);
      if (n <= 0) break;
      heard_.append(buf, static_cast<size_t>(n));
    }
    return heard_;
  }
  void key(RawPeer& peer) {
    ASSERT_TRUE(peer.login("lindoramesca"));
    ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
    const std::string tx = "FA00014200000;T";  // the keying command split between frames
    ASSERT_TRUE(peer.send(ShortBinaryFrame("CA", reinterpret_cast<const uint8_t*>(tx.data()), tx.size())));
    ASSERT_TRUE(peer.send(ShortBinaryFrame("CA", reinterpret_cast<const uint8_t*>("X;"), 2)));
    ASSERT_NE(companionHeard("TX;", 2000).find("FA00014200000;TX;"), std::string::npos);
  }
  int cat_[2] = {-1, -1};
  std::string heard_;
};

TEST_F(TransmitReleaseTest, ACutConnectionReleasesTheTransmitterWithinASecond) {
  start();
  {
    RawPeer peer(unit_.port());
    key(peer);
    heard_.clear();
  }  // the socket is cut with the transceiver keyed
  const int64_t cut = platform::monotonicMs();
  EXPECT_EQ(companionHeard("RX;", 1000), "RX;");
  EXPECT_LE(platform::monotonicMs() - cut, 1000);
}

TEST_F(TransmitReleaseTest, APeerReleasingItselfLeavesNothingToRelease) {
  start();
  {
    RawPeer peer(unit_.port());
    key(peer);
    ASSERT_TRUE(peer.send(ShortBinaryFrame("CA", reinterpret_cast<const uint8_t*>("RX;"), 3)));
    ASSERT_NE(companionHeard("TX;RX;", 2000).find("TX;RX;"), std::string::npos);
    heard_.clear();
  }
  EXPECT_EQ(companionHeard("RX;", 700), "");
}

TEST_F(TransmitReleaseTest, AnAmplifierInTransmitIsReleasedWhenThePeerGoes) {
  start();
  {
    RawPeer peer(unit_.port());
    ASSERT_TRUE(peer.login("lindoramesca"));
    ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
    unit_.w()->ampStatus[1] = 0x01;  // the amplifier reports its relays keyed
  }
  EXPECT_EQ(companionHeard("RX;", 1000), "RX;");
}

TEST_F(TransmitReleaseTest, ATransmissionKeyedLongerThanTheLimitIsEnded) {
  unit_.w()->remoteTxLimitS = 1;
  start();
  RawPeer peer(unit_.port());
  key(peer);
  heard_.clear();
  EXPECT_EQ(companionHeard("RX;", 2500), "RX;");
  EXPECT_EQ(unit_.w()->wsConnected, 1);  // the peer stays; only its transmission ends
}

class PassphraseFileTest : public SandboxTest {
 protected:
  void TearDown() override {
    unit_.stop();
    restoreTimings();
    SandboxTest::TearDown();
  }
  RemoteUnit unit_;
};

TEST_F(PassphraseFileTest, AFileThatCannotBeUsedKeepsTheServerOff) {
  for (const std::string& text : {std::string(), std::string("\n"), std::string(70, 'p'), std::string("pass\xe8word")}) {
    writeHost(kPassphrasePath, text);
    LoadRemoteSettings(unit_.w());
    EXPECT_EQ(unit_.w()->passphraseSource, kPassphraseUnusable);
    EXPECT_EQ(std::string(unit_.w()->wsPassword), "");
    EXPECT_EQ(PassphraseSummary(unit_.w()).substr(0, 12), "Remote off: ");
  }
  useTestTimings();
  unit_.startServer();
  EXPECT_EQ(unit_.port(), 0);  // never listened
}

TEST_F(PassphraseFileTest, TheInformationLineSaysWhosePassphraseIsInForce) {
  LoadRemoteSettings(unit_.w());
  EXPECT_EQ(PassphraseSummary(unit_.w()), "Passphrase: shared default");
  writeHost(kPassphrasePath, "owners-own-1\n");
  LoadRemoteSettings(unit_.w());
  EXPECT_EQ(PassphraseSummary(unit_.w()), "Passphrase: owner's own");
  EXPECT_EQ(std::string(unit_.w()->wsPassword), "owners-own-1");
}

}  // namespace

namespace {

// A browser's one message before its login, and what the unit tells it.
std::string browserSays(int port, const std::string& text) {
  RawPeer browser(port);
  if (!browser.startTls() || !browser.send(browserRequest(kOwnOrigin)) || browser.readReply().empty() ||
      !browser.send(maskedText(text)))
    return "(no connection)";
  return closeReason(browser);
}

TEST_F(NetworkLimitsTest, ABrowserIsPairedByTheCodeOnTheUnitsScreen) {
  start();
  Works* w = unit_.w();
  EXPECT_EQ(browserSays(unit_.port(), "PAIR?"), "pairing code shown on the unit for 2 min");
  const int code = w->pairingCode;
  ASSERT_GE(code, 0);
  char shown[8], wrong[8];
  std::snprintf(shown, sizeof shown, "%06d", code);
  std::snprintf(wrong, sizeof wrong, "%06d", (code + 1) % 1000000);
  EXPECT_NE(PairingScreenLine(w, platform::monotonicMs()).find(shown), std::string::npos);
  EXPECT_EQ(browserSays(unit_.port(), "PAIR?"), "pairing code shown on the unit for 2 min");
  EXPECT_EQ(w->pairingCode, code);  // asking again does not draw a new code

  EXPECT_EQ(browserSays(unit_.port(), std::string("PAIR ") + wrong + " owners-new-1"), "wrong pairing code");
  EXPECT_EQ(browserSays(unit_.port(), std::string("PAIR ") + shown + " owners-new-1"),
            "owner passphrase set: log in with it");
  EXPECT_EQ(readHost(kPassphrasePath), "owners-new-1\n");
  struct stat st {};
  ASSERT_EQ(::stat(host(kPassphrasePath).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // the secret is the program's alone
  EXPECT_EQ(w->passphraseSource, kPassphraseOwner);
  EXPECT_TRUE(PairingScreenLine(w, platform::monotonicMs()).empty());
  // The code worked once; the unit is now the owner's.
  EXPECT_EQ(browserSays(unit_.port(), std::string("PAIR ") + shown + " someone-else"), "owner passphrase already set");
  EXPECT_EQ(browserSays(unit_.port(), "PAIR?"), "owner passphrase already set");

  RawPeer owner(unit_.port());
  ASSERT_TRUE(owner.startTls());
  ASSERT_TRUE(owner.send(browserRequest(kOwnOrigin)));
  ASSERT_FALSE(owner.readReply().empty());
  ASSERT_TRUE(owner.send(maskedText("owners-new-1")));
  EXPECT_TRUE(waitUntil([&] { return w->wsConnected == 1; }, 2000));
}

TEST_F(PassphraseFileTest, FiveWrongPairingCodesEndTheWindowAndAnEndedWindowTakesNoCode) {
  Works* w = unit_.w();
  w->pairingCode = -1;
  ASSERT_EQ(RequestPairing(w, 1000), Pairing::Shown);
  const int code = w->pairingCode;
  char shown[8];
  std::snprintf(shown, sizeof shown, "%06d", code);
  for (int i = 1; i < kPairingWrongAllowed; ++i) EXPECT_EQ(CompletePairing(w, "abcdef", "p", 1000 + i), Pairing::WrongCode);
  EXPECT_EQ(CompletePairing(w, "abcdef", "p", 2000), Pairing::WindowEnded);
  EXPECT_EQ(CompletePairing(w, shown, "owners-new-2", 2001), Pairing::NotOpen);  // the right code, too late
  // A new window, and one that runs out.
  ASSERT_EQ(RequestPairing(w, 3000), Pairing::Shown);
  std::snprintf(shown, sizeof shown, "%06d", w->pairingCode.load());
  EXPECT_EQ(CompletePairing(w, shown, std::string(65, 'x'), 3001), Pairing::BadPassphrase);
  EXPECT_EQ(CompletePairing(w, shown, "owners-new-2", 3000 + kPairingWindowMs), Pairing::NotOpen);
  EXPECT_EQ(w->passphraseSource, kPassphraseDefault);
}

}  // namespace
