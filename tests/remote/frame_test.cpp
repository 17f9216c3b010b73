// The dialect's frames byte for byte, the reader's four rules over a memory
// source, chunk reassembly at the edges of its area, and the handshake
// arithmetic.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "remote/ws_chunks.h"
#include "remote/ws_frame.h"
#include "remote/ws_guard.h"
#include "remote/ws_handshake.h"

namespace {

struct MemorySource : FrameSource {
  std::string bytes;
  size_t at = 0;
  SourceResult readExact(uint8_t* data, size_t n, bool) override {
    if (bytes.size() - at < n) return SourceResult::Closed;
    std::memcpy(data, bytes.data() + at, n);
    at += n;
    return SourceResult::Ok;
  }
};

std::string str(const FrameBytes& f) { return std::string(f.begin(), f.end()); }
const uint8_t* u8(const char* s) { return reinterpret_cast<const uint8_t*>(s); }

TEST(Frames, FormsAreLaidOutAsThePeersExpect) {
  EXPECT_EQ(str(ShortBinaryFrame("ST", u8("abc"), 3)), std::string("\x82\x05STabc", 7));
  EXPECT_EQ(str(TextFrame(u8("pw"), 2)), std::string("\x81\x02\0\0\0\0pw", 8));
  // x = 12, y = 345: zero key, tag, then five digits each.
  EXPECT_EQ(str(EventFrame(12, 345)), std::string("\x81\x0C\0\0\0\0XY0001200345", 18));
  const std::string cat(123, 'x');
  EXPECT_EQ(ShortBinaryFrame("CA", u8(cat.data()), 123)[1], 125);
  EXPECT_TRUE(ShortBinaryFrame("CA", u8((cat + "y").data()), 124).empty());
  const FrameBytes audio = AudioFrame(u8("abcd"), 4);
  EXPECT_EQ(str(audio), std::string("\x82\x7E\x00\x0ASO\x00\x00\x00\x04" "abcd", 14));
}

TEST(Frames, ChunkedObjectOf1000BytesIsTwoFramesWithZeroPadding) {
  std::string object(1000, '\0');
  for (size_t i = 0; i < object.size(); ++i) object[i] = static_cast<char>(1 + i % 250);
  const FrameBytes first = ChunkFrame("SP", 1000, 0, u8(object.data()));
  const FrameBytes second = ChunkFrame("SP", 1000, 512, u8(object.data()));
  ASSERT_EQ(first.size(), kChunkFrameSize);
  ASSERT_EQ(second.size(), kChunkFrameSize);
  EXPECT_EQ(str(second).substr(0, 14), std::string("\x82\x7E\x02\x0ASP\x00\x00\x03\xE8\x00\x00\x02\x00", 14));
  EXPECT_EQ(str(second).substr(14, 488), object.substr(512));
  EXPECT_EQ(str(second).substr(14 + 488), std::string(24, '\0'));

  uint8_t area[1000] = {};
  ChunkAssembler a(area, sizeof area);
  MemorySource src;
  src.bytes = str(first) + str(second);
  FrameReader reader;
  WsFrame f;
  Chunk c;
  ASSERT_EQ(reader.read(src, f), ReadStatus::Frame);
  ASSERT_TRUE(ParseChunk(f, c));
  EXPECT_EQ(a.add(c), ChunkAssembler::Result::Partial);
  ASSERT_EQ(reader.read(src, f), ReadStatus::Frame);
  ASSERT_TRUE(ParseChunk(f, c));
  EXPECT_EQ(c.length, 488u);
  EXPECT_EQ(a.add(c), ChunkAssembler::Result::Complete);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(area), 1000), object);
}

TEST(Frames, ChunksThatWouldPassTheirAreaAreDropped) {
  uint8_t area[600] = {};
  ChunkAssembler a(area, sizeof area);
  const std::string object(512, 'a');
  Chunk exact{512, 0, u8(object.data()), 512};
  EXPECT_EQ(a.add(exact), ChunkAssembler::Result::Complete);  // one frame, complete at once
  Chunk past{1100, 512, u8(object.data()), 512};  // would end at 1024
  EXPECT_EQ(a.add(past), ChunkAssembler::Result::Dropped);
  Chunk tooBig{0xFFFFFFFFu, 0, u8(object.data()), 512};  // fits, but its object cannot
  EXPECT_EQ(a.add(tooBig), ChunkAssembler::Result::Dropped);
  EXPECT_EQ(a.dropped(), 2u);

  // A chunk whose offset is beyond its own total, or whose frame is cut.
  FrameBytes f = ChunkFrame("FB", 100, 0, u8(object.data()));
  f[10] = 0, f[11] = 0, f[12] = 0x10, f[13] = 0;  // offset 4096 of 100
  WsFrame wf;
  wf.op = kOpBinary, wf.form = FrameForm::Long16, wf.body = f.data() + 4, wf.bodyLength = f.size() - 4;
  Chunk c;
  EXPECT_FALSE(ParseChunk(wf, c));
  wf.bodyLength = 9;
  EXPECT_FALSE(ParseChunk(wf, c));
}

TEST(Frames, ReaderFollowsTheFourDialectRules) {
  MemorySource src;
  FrameReader reader;
  WsFrame f;
  // Text: the key is applied whatever the mask bit says, and the payload ends
  // at its first zero byte.
  src.bytes = std::string("\x81\x05\x01\x02\x03\x04", 6) + std::string("\x71\x71\x60\x04\x41", 5);
  ASSERT_EQ(reader.read(src, f), ReadStatus::Frame);
  EXPECT_EQ(f.form, FrameForm::Text);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.body), f.bodyLength), "psc");
  // Binary carries no key; the 16-bit count covers everything after 4 bytes.
  src = {};
  src.bytes = std::string("\x82\x7E\x00\x03SOx", 7);
  ASSERT_EQ(reader.read(src, f), ReadStatus::Frame);
  EXPECT_EQ(f.form, FrameForm::Long16);
  EXPECT_EQ(f.tag(), "SO");
  EXPECT_EQ(f.bodyLength, 3u);
  // A masked text frame (second byte 0x85) is read as the 32-bit form.
  src = {};
  src.bytes = std::string("\x81\x85\x00\x00\x00\x04XYab", 10);
  ASSERT_EQ(reader.read(src, f), ReadStatus::Frame);
  EXPECT_EQ(f.form, FrameForm::Long32);
  EXPECT_EQ(f.bodyLength, 2u);
}

TEST(Frames, ReaderRefusesLengthsItCannotHonour) {
  struct Case {
    const char* what;
    std::string bytes;
    ReadStatus expected;
  } cases[] = {
      {"32-bit length past the largest frame", std::string("\x82\x7F\x7F\xFF\xFF\xFF", 6), ReadStatus::Oversize},
      {"32-bit length just past it", std::string("\x82\x7F\x00\x01\x00\x00", 6), ReadStatus::Oversize},
      {"32-bit length shorter than its tag", std::string("\x82\x7F\x00\x00\x00\x01", 6), ReadStatus::Malformed},
      {"binary shorter than its tag", std::string("\x82\x01ST", 4), ReadStatus::Malformed},
      {"frame cut short", std::string("\x82\x7E\x02\x0A" "FB", 6), ReadStatus::Closed},
      {"nothing", std::string(), ReadStatus::Closed},
  };
  for (const Case& c : cases) {
    MemorySource src;
    src.bytes = c.bytes;
    FrameReader reader;
    WsFrame f;
    EXPECT_EQ(reader.read(src, f), c.expected) << c.what;
  }
}

TEST(Handshake, AcceptValueAndKeyTrimming) {
  EXPECT_EQ(WebSocketAccept("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
  EXPECT_EQ(CutLineEnd("key\r\n"), "key");
  EXPECT_EQ(CutLineEnd("key"), "key");
  EXPECT_EQ(CutLineEnd("key\r\n\r\n"), "key\r\n");  // two at most

  ServerHandshake withCrLf, bare;
  withCrLf.line("Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n");
  EXPECT_EQ(withCrLf.clientKey, "dGhlIHNhbXBsZSBub25jZQ==");
  bare.line("Sec-WebSocket-Key: abc\n");
  EXPECT_EQ(bare.clientKey, "abc");
}

TEST(Handshake, ServerCountsTheProgramsOwnRequestToEight) {
  ServerHandshake hs;
  for (const std::string& chunk : ClientRequestLines("127.0.0.1", 6666, "abc")) {
    size_t at = 0;
    while (at < chunk.size()) {  // as a line reader hands them over
      const size_t end = chunk.find('\n', at);
      hs.line(chunk.substr(at, end - at + 1));
      at = end + 1;
    }
  }
  EXPECT_TRUE(hs.complete());
  EXPECT_EQ(hs.count, 8);
}

TEST(Handshake, ConnectionUpgradeAloneStaysOneShort) {
  ServerHandshake hs;
  for (const char* line : {"GET /chat HTTP/1.1\r\n", "Host: x:1\r\n", "Sec-WebSocket-Version: 13\r\n",
                           "Sec-WebSocket-Protocol: chat\r\n", "Sec-WebSocket-Key: k\r\n", "Connection: Upgrade\r\n",
                           "Upgrade: websocket\r\n", "\r\n"})
    hs.line(line);
  EXPECT_EQ(hs.count, 7);
  EXPECT_FALSE(hs.complete());
}

TEST(Handshake, ClientNeedsTheEmptyLineAndTheRightAccept) {
  ClientHandshake good;
  good.expectedAccept = WebSocketAccept("k");
  for (const std::string& line : ServerReplyLines("k")) {
    size_t at = 0;
    while (at < line.size()) {
      const size_t end = line.find('\n', at);
      good.line(line.substr(at, end - at + 1));
      at = end + 1;
    }
  }
  EXPECT_TRUE(good.complete());

  ClientHandshake noEmpty;
  noEmpty.expectedAccept = WebSocketAccept("k");
  for (const char* l : {"HTTP/1.1 101 Switching Protocols\r\n", "Upgrade: websocket\r\n", "Connection: Upgrade\r\n",
                        "Sec-WebSocket-Protocol: chat\r\n"})
    noEmpty.line(l);
  noEmpty.line("Sec-WebSocket-Accept: " + WebSocketAccept("k") + "\r\n");
  EXPECT_EQ(noEmpty.count, 5);
  EXPECT_FALSE(noEmpty.complete());

  ClientHandshake wrong;
  wrong.expectedAccept = WebSocketAccept("k");
  wrong.line("Sec-WebSocket-Accept: AAAA\r\n");
  EXPECT_TRUE(wrong.failed());
}

TEST(Passphrase, OnlyTheWholeTextMatches) {
  EXPECT_TRUE(PassphraseMatches("lindoramesca", "lindoramesca"));
  EXPECT_FALSE(PassphraseMatches("lindoramesca", "lindoramescb"));
  EXPECT_FALSE(PassphraseMatches("lindoramesca", "lindoramesca2"));
  EXPECT_FALSE(PassphraseMatches("lindoramesca", "lindoramesc"));
  EXPECT_FALSE(PassphraseMatches("lindoramesca", ""));
  EXPECT_FALSE(PassphraseMatches("", ""));
}

TEST(Passphrase, FiveWrongInAMinuteRefuseTheAddressForAMinute) {
  PeerBans bans;
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(bans.failedTry("10.0.0.9", i * 1000, 60000, 60000));
  EXPECT_FALSE(bans.refused("10.0.0.9", 4500));
  EXPECT_TRUE(bans.failedTry("10.0.0.9", 5000, 60000, 60000));
  EXPECT_TRUE(bans.refused("10.0.0.9", 6000));
  EXPECT_FALSE(bans.refused("10.0.0.8", 6000));  // other addresses are served
  EXPECT_FALSE(bans.refused("10.0.0.9", 65001));
  // Wrong ones spread over more than a minute never add up.
  PeerBans slow;
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(slow.failedTry("10.0.0.7", i * 20000, 60000, 60000));
}

TEST(Passphrase, AFullAddressTableStillRefusesTheGuessingAddress) {
  PeerBans bans;
  const auto address = [](int i) { return "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250); };
  for (int i = 0; i < 1000; ++i) bans.failedTry(address(i), i, 60000, 60000);
  bool refused = false;
  for (int i = 0; i < PeerBans::kWrongAllowed; ++i) refused = bans.failedTry("192.168.1.66", 2000 + i, 60000, 60000);
  EXPECT_TRUE(refused);
  // A second scan overflows the table; the refusal stays while plain records make room.
  for (int i = 1000; i < 3000; ++i) bans.failedTry(address(i), 3000 + i, 60000, 60000);
  EXPECT_LE(bans.size(), PeerBans::kMaxRecords);
  EXPECT_TRUE(bans.refused("192.168.1.66", 7000));
  EXPECT_FALSE(bans.refused(address(2999), 7000));
}

}  // namespace
