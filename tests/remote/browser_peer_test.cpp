// A browser as the server's peer, over a real socket: the page by plain HTTP,
// the standard upgrade with masked frames, the passphrase, screen images and
// touches; and that bad requests get nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "display_helpers.h"
#include "remote/http_request.h"
#include "remote/ws_browser.h"
#include "remote_harness.h"
#include "state/remote_settings.h"
#include "wait_until.h"

namespace {

const uint8_t kKey[4] = {0x12, 0x34, 0x56, 0x78};

FrameBytes maskedText(const std::string& text) {
  return MaskedFrame(1, reinterpret_cast<const uint8_t*>(text.data()), text.size(), kKey);
}

std::string browserRequest(const std::string& key = "dGhlIHNhbXBsZSBub25jZQ==") {
  return "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n"
         "Origin: https://127.0.0.1\r\nSec-WebSocket-Version: 13\r\nSec-WebSocket-Key: " +
         key + "\r\n\r\n";
}

class BrowserPeerTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    useTestTimings();
    paintTestScreen(unit_.fb());
    // Browsers are served only with an owner passphrase; the text stays the same.
    unit_.w()->passphraseSource = kPassphraseOwner;
    unit_.startServer();
    ASSERT_GT(unit_.port(), 0);
  }
  void TearDown() override {
    unit_.stop();
    restoreTimings();
    SandboxTest::TearDown();
  }
  RemoteUnit unit_;
};

TEST_F(BrowserPeerTest, TheRootOverHttpsAnswersThePageAndOtherPathsAre404) {
  RawPeer page(unit_.port());
  ASSERT_TRUE(page.startTls());
  ASSERT_TRUE(page.send(std::string("GET / HTTP/1.1\r\nHost: x\r\nAccept: text/html\r\n\r\n")));
  const std::string head = page.readReply();
  EXPECT_NE(head.find("HTTP/1.1 200 OK"), std::string::npos) << head;
  EXPECT_NE(head.find("text/html"), std::string::npos);
  EXPECT_NE(head.find("Content-Security-Policy: default-src 'none'; script-src 'sha256-"), std::string::npos);
  EXPECT_NE(head.find("frame-ancestors 'none'"), std::string::npos);
  EXPECT_NE(head.find("X-Frame-Options: DENY\r\n"), std::string::npos);

  RawPeer other(unit_.port());
  ASSERT_TRUE(other.startTls());
  ASSERT_TRUE(other.send(std::string("GET /etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n")));
  EXPECT_NE(other.readReply().find("HTTP/1.1 404"), std::string::npos);
  EXPECT_TRUE(other.closedWithin(2000));
}

TEST_F(BrowserPeerTest, PlainHttpIsSentToHttpsAndAPlainUpgradeIsRefused) {
  RawPeer page(unit_.port());
  ASSERT_TRUE(page.send(std::string("GET /x HTTP/1.1\r\nHost: 10.0.0.5:6666\r\n\r\n")));
  const std::string head = page.readReply();
  EXPECT_EQ(head.substr(0, 12), "HTTP/1.1 301");
  EXPECT_NE(head.find("Location: https://10.0.0.5:6666/\r\n"), std::string::npos) << head;

  RawPeer odd(unit_.port());
  ASSERT_TRUE(odd.send(std::string("GET / HTTP/1.1\r\nHost: a/b@c\r\n\r\n")));
  EXPECT_EQ(odd.readReply().substr(0, 12), "HTTP/1.1 400");  // nothing of the peer's is echoed

  RawPeer plain(unit_.port());  // a browser upgrade without TLS: the passphrase would travel in the clear
  ASSERT_TRUE(plain.send(browserRequest()));
  EXPECT_EQ(plain.readReply().substr(0, 12), "HTTP/1.1 403");
}

TEST_F(BrowserPeerTest, AGarbledOrUnfinishedTlsHelloCostsOnlyItsLoginTime) {
  for (const std::string& hello : {std::string("\x16\x03\x01\x00\x05hello", 10), std::string("\x16\x03", 2)}) {
    RawPeer peer(unit_.port());
    ASSERT_TRUE(peer.send(hello));
    EXPECT_TRUE(peer.closedWithin(2000));
  }
  RawPeer browser(unit_.port());
  ASSERT_TRUE(browser.startTls());
  ASSERT_TRUE(browser.send(browserRequest()));
  EXPECT_EQ(browser.readReply().substr(0, 12), "HTTP/1.1 101");
}

TEST_F(BrowserPeerTest, OverlongRequestLineClosesTheConnection) {
  RawPeer peer(unit_.port());
  ASSERT_TRUE(peer.send("GET /" + std::string(5000, 'a') + " HTTP/1.1\r\n"));
  EXPECT_TRUE(peer.closedWithin(2000));
}

TEST_F(BrowserPeerTest, BrowserWithPassphraseGetsScreenImagesAndItsTouchesHoldSoftButtons) {
  auto owned = std::make_unique<RawPeer>(unit_.port());
  RawPeer& browser = *owned;
  ASSERT_TRUE(browser.startTls());
  ASSERT_TRUE(browser.send(browserRequest()));
  const std::string reply = browser.readReply();
  EXPECT_NE(reply.find("Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo="), std::string::npos) << reply;
  EXPECT_EQ(reply.find("Sec-WebSocket-Protocol"), std::string::npos);
  ASSERT_TRUE(browser.send(maskedText("lindoramesca")));
  ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));

  // The first screen image comes unasked, as JPEG chunks.
  FrameBytes f;
  bool gotScreen = false;
  for (int i = 0; i < 50 && !gotScreen && browser.readFrame(f); ++i)
    gotScreen = f.size() == 526 && f[4] == 'F' && f[5] == 'B' && f[14] == 0xFF && f[15] == 0xD8;
  EXPECT_TRUE(gotScreen);

  // A ping is answered even while images flow.
  ASSERT_TRUE(browser.send(MaskedFrame(9, reinterpret_cast<const uint8_t*>("hi"), 2, kKey)));

  // The bar is the bottom 60 rows of six buttons; the test screen is 64 wide,
  // but touches are in the panel's 800 x 480 pixels.
  ASSERT_TRUE(browser.send(maskedText("XY0007000450")));
  EXPECT_TRUE(waitUntil([&] { return unit_.w()->touchHeld == 0x01; }, 2000));
  ASSERT_TRUE(browser.send(maskedText("XY9999999999")));
  EXPECT_TRUE(waitUntil([&] { return unit_.w()->touchHeld == 0; }, 2000));
  ASSERT_TRUE(browser.send(maskedText("XY0075000450")));
  EXPECT_TRUE(waitUntil([&] { return unit_.w()->touchHeld == 0x20; }, 2000));
  // A browser that goes away lets its button go.
  owned.reset();
  EXPECT_TRUE(waitUntil([&] { return unit_.w()->touchHeld == 0 && unit_.w()->wsConnected == 0; }, 3000));
}

TEST_F(BrowserPeerTest, WrongPassphraseGetsNoImageAndNoControl) {
  RawPeer browser(unit_.port());
  ASSERT_TRUE(browser.startTls());
  ASSERT_TRUE(browser.send(browserRequest()));
  ASSERT_FALSE(browser.readReply().empty());
  ASSERT_TRUE(browser.send(maskedText("lindoramescx")));
  ASSERT_TRUE(browser.send(maskedText("XY0007000450")));
  // Nothing but the close frame that says why.
  FrameBytes f;
  ASSERT_TRUE(browser.readFrame(f, 2000));
  EXPECT_EQ(std::string(f.begin(), f.end()), std::string("\x88\x12\x03\xF0wrong passphrase", 20));
  EXPECT_TRUE(browser.closedWithin(2000));
  EXPECT_EQ(unit_.w()->touchHeld, 0);
  EXPECT_EQ(unit_.w()->wsConnected, 0);
}

TEST_F(BrowserPeerTest, FramesBreakingTheStandardCloseTheConnection) {
  const uint8_t badUtf8[] = {'X', 'Y', 0xC3, 0x28};
  const std::string longPing(126, 'p');
  const uint8_t oneByte = 3;
  for (const FrameBytes& bad : {FrameBytes{0x81, 0x02, 'h', 'i'},                    // not masked
                                FrameBytes{0x81, 0xFF, 0, 0, 0, 0, 0, 1, 0, 0},      // 64-bit length
                                MaskedFrame(1, badUtf8, sizeof badUtf8, kKey),         // text not UTF-8
                                MaskedFrame(9, reinterpret_cast<const uint8_t*>(longPing.data()), longPing.size(),
                                            kKey),                                     // control over 125 bytes
                                MaskedFrame(8, &oneByte, 1, kKey)}) {                  // close body of one byte
    RawPeer browser(unit_.port());
    ASSERT_TRUE(browser.startTls());
    ASSERT_TRUE(browser.send(browserRequest()));
    ASSERT_FALSE(browser.readReply().empty());
    ASSERT_TRUE(browser.send(bad));
    EXPECT_TRUE(browser.closedWithin(2000));
  }
}

TEST_F(BrowserPeerTest, PingIsAnsweredWithItsOwnBytesUnmasked) {
  RawPeer browser(unit_.port());
  ASSERT_TRUE(browser.startTls());
  ASSERT_TRUE(browser.send(browserRequest()));
  ASSERT_FALSE(browser.readReply().empty());
  ASSERT_TRUE(browser.send(maskedText("lindoramesca")));
  ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
  const std::string ping(125, 'q');
  ASSERT_TRUE(browser.send(MaskedFrame(9, reinterpret_cast<const uint8_t*>(ping.data()), ping.size(), kKey)));
  // Screen chunks and status frames share the stream; find the pong among them.
  FrameBytes f;
  bool gotPong = false;
  for (int i = 0; i < 400 && !gotPong && browser.readFrame(f); ++i) gotPong = !f.empty() && f[0] == 0x8A;
  ASSERT_TRUE(gotPong);
  ASSERT_EQ(f.size(), 2 + ping.size());
  EXPECT_EQ(f[1], 125);  // no mask bit: a server never masks
  EXPECT_EQ(std::string(f.begin() + 2, f.end()), ping);
}

TEST_F(BrowserPeerTest, UpgradeWithWrongVersionOrKeyIsRefusedWithTheStandardAnswers) {
  struct Case {
    std::string request, status;
  } cases[] = {
      {"GET / HTTP/1.1\r\nUpgrade: websocket\r\nOrigin: http://a\r\nSec-WebSocket-Version: 8\r\n"
       "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n",
       "HTTP/1.1 426"},
      {browserRequest("short=="), "HTTP/1.1 400"},
      {"GET / HTTP/1.1\r\nUpgrade: websocket\r\nOrigin: http://a\r\nSec-WebSocket-Version: 13\r\n\r\n",
       "HTTP/1.1 400"},
  };
  for (const Case& c : cases) {
    RawPeer browser(unit_.port());
    ASSERT_TRUE(browser.startTls());
    ASSERT_TRUE(browser.send(c.request));
    const std::string reply = browser.readReply();
    EXPECT_EQ(reply.substr(0, c.status.size()), c.status) << reply;
    if (c.status == "HTTP/1.1 426") EXPECT_NE(reply.find("Sec-WebSocket-Version: 13\r\n"), std::string::npos);
    EXPECT_TRUE(browser.closedWithin(2000));
    EXPECT_EQ(unit_.w()->wsConnected, 0);
  }
}

TEST(HttpRequest, AcceptsOnlyAGetWithVersion13AndASixteenByteKey) {
  auto request = [](const std::string& first, const std::string& version, const std::string& key) {
    HttpRequest r;
    for (const std::string& l : {first, std::string("Origin: x\r\n"), std::string("Upgrade: websocket\r\n"), "Sec-WebSocket-Version: " + version + "\r\n",
                                 "Sec-WebSocket-Key: " + key + "\r\n", std::string("\r\n")})
      r.line(l, 1023);
    return r;
  };
  EXPECT_TRUE(request("GET / HTTP/1.1\r\n", "13", "dGhlIHNhbXBsZSBub25jZQ==").upgradeAcceptable());
  EXPECT_FALSE(request("GET / HTTP/1.1\r\n", "13", "dGhlIHNhbXBsZSBub25jZ===").upgradeAcceptable());
  EXPECT_FALSE(request("GET / HTTP/1.1\r\n", "13", "dGhlIHNhbXBsZSBub25jZQ").upgradeAcceptable());
  EXPECT_FALSE(request("GET / HTTP/1.1\r\n", "13", "dGhlIHNhbXBsZSBub2<jZQ==").upgradeAcceptable());
  EXPECT_FALSE(request("POST / HTTP/1.1\r\n", "13", "dGhlIHNhbXBsZSBub25jZQ==").upgradeAcceptable());
  const HttpRequest old = request("GET / HTTP/1.1\r\n", "8", "dGhlIHNhbXBsZSBub25jZQ==");
  EXPECT_FALSE(old.upgradeAcceptable());
  EXPECT_FALSE(old.versionSupported());
}

TEST(HttpRequest, TellsBrowsersPagesAndUnitsApart) {
  HttpRequest unit;
  for (const char* l : {"GET /chat HTTP/1.1\r\n", "Upgrade: websocket\r\n", "Connection: keep-alive, Upgrade\r\n", "\r\n"})
    unit.line(l, 1023);
  EXPECT_EQ(unit.kind(), HttpRequest::Kind::Pending);  // left to the dialect's counting

  HttpRequest page;
  for (const char* l : {"GET /x?y HTTP/1.1\r\n", "Host: a\r\n", "\r\n"}) page.line(l, 1023);
  EXPECT_EQ(page.kind(), HttpRequest::Kind::Page);
  EXPECT_EQ(page.path(), "/x?y");

  HttpRequest browser;
  for (const char* l : {"GET / HTTP/1.1\r\n", "origin: http://a\r\n", "upgrade: WebSocket\r\n",
                        "sec-websocket-key:  abc \r\n", "\r\n"})
    browser.line(l, 1023);
  EXPECT_EQ(browser.kind(), HttpRequest::Kind::Browser);
  EXPECT_EQ(browser.key(), "abc");

  HttpRequest tooLong;
  tooLong.line(std::string(1023, 'a'), 1023);
  EXPECT_EQ(tooLong.kind(), HttpRequest::Kind::TooLong);
}

TEST(TouchText, TakesOnlyTwelveCharactersOfTagAndDigits) {
  int x = -1, y = -1;
  EXPECT_TRUE(ParseTouchText("XY0001200345", x, y));
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 345);
  EXPECT_FALSE(ParseTouchText("XY00012-0345", x, y));
  EXPECT_FALSE(ParseTouchText("XY000120034", x, y));
  EXPECT_FALSE(ParseTouchText("AB0001200345", x, y));
}

}  // namespace
