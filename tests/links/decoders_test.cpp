// The external IO framer and parameter decoder, the spectrum window and the
// FT-817 reply decoder, fed hostile bytes directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "companion_sim.h"
#include "links/cat_decode.h"
#include "links/ext_io_frame.h"
#include "links/ext_io_params.h"
#include "links/ext_io_spectrum.h"
#include "state/ext_io_params.h"

namespace {

using Event = ExtIoFramer::Event;

std::vector<Event> feed(ExtIoFramer& rx, const std::string& bytes) {
  std::vector<Event> out;
  for (char c : bytes) {
    const Event e = rx.push(static_cast<uint8_t>(c));
    if (e != Event::None && e != Event::Skipped) out.push_back(e);
  }
  return out;
}

ParamBlockFault decode(ExtIoParams& p, const std::string& block) {
  return DecodeParameterBlock(p, reinterpret_cast<const uint8_t*>(block.data()), static_cast<int>(block.size()));
}

std::string header(const char* digits) { return std::string("\x01" "1", 2) + digits; }

TEST(ExtIoFramer, LengthDigitsAreHexadecimalLeastSignificantFirst) {
  const uint8_t a[5] = {'1', '0', ':', '0', '0'};
  EXPECT_EQ(decodeCmdParameters(a), 0xA0);
  const uint8_t b[5] = {'1', '0', '0', '0', '1'};
  EXPECT_EQ(decodeCmdParameters(b), 0x1000);
  const uint8_t c[5] = {'1', '?', '?', '?', '?'};
  EXPECT_EQ(decodeCmdParameters(c), 0xFFFF);
  for (uint8_t bad : {uint8_t{'/'}, uint8_t{'@'}, uint8_t{0}, uint8_t{0xFF}}) {
    const uint8_t d[5] = {'1', '0', bad, '0', '0'};
    EXPECT_EQ(decodeCmdParameters(d), -1) << int(bad);
  }
}

TEST(ExtIoFramer, HostileStreams) {
  const std::string good = sim::CompanionMessage(1, '1', "ABC");
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<Event> events;
  } cases[] = {
      {"one message", good, {Event::Message}},
      {"noise above 14 before it", std::string("\xA0\x20\xFF", 3) + good, {Event::Message}},
      {"length digit outside '0'..'?'", header("0@00") + "ABC" + good, {Event::BadLength, Event::Message}},
      {"longer than 1999", header("0=70"), {Event::TooLong}},
      {"exactly 1999 is taken", header("?<70"), {}},
      {"type 5", std::string("\x05" "13000", 6), {Event::OtherType}},
      {"parameters without flag '1'", std::string("\x01" "03000", 6) + good, {Event::FlagMismatch, Event::Message}},
      {"spectrum without flag '0'", std::string("\x00" "10000", 6), {Event::FlagMismatch}},
      {"empty payload", std::string("\x01" "10000", 6), {Event::Message}},
  };
  for (const Case& c : cases) {
    ExtIoFramer rx;
    EXPECT_EQ(feed(rx, c.bytes), c.events) << c.name;
  }
}

TEST(ExtIoFramer, MessageCutShortIsDroppedOnReset) {
  ExtIoFramer rx;
  feed(rx, sim::CompanionMessage(1, '1', "ABCDEFGH").substr(0, 9));
  EXPECT_TRUE(rx.inMessage());
  rx.reset();
  EXPECT_FALSE(rx.inMessage());
  EXPECT_EQ(feed(rx, sim::CompanionMessage(1, '1', "XY")), std::vector<Event>{Event::Message});
  EXPECT_EQ(std::string(rx.payload().begin(), rx.payload().end()), "XY");
}

TEST(ExtIoParams, FrequencyDigitsAndTheVfoTheyBelongTo) {
  ExtIoParams p{};
  // 0, 0, 13, 6, 11, 15, 15, 0 make 0x00D6BFF0.
  const std::string freq = "00=6;??0";
  EXPECT_EQ(decode(p, std::string(1, '\0') + freq), ParamBlockFault::None);
  EXPECT_EQ(p.vfoAFreq, 14073840);
  EXPECT_EQ(p.activeFreq, 14073840);
  // Data for VFO B while A is active: A stays the active one.
  decode(p, std::string(1, '\x10') + "006;3<;0");
  EXPECT_EQ(p.vfoBFreq, 0x006B3CB0);
  EXPECT_EQ(p.activeFreq, 14073840);
  EXPECT_EQ(p.freqPrev2, 14073840);
  // VFO B active.
  decode(p, std::string(1, '\x30') + "006;3<;0");
  EXPECT_EQ(p.activeFreq, 0x006B3CB0);
  // The alternate frequency wins over both.
  decode(p, std::string(1, '\x01') + "00100000");
  EXPECT_EQ(p.activeFreq, 0x100000);
}

TEST(ExtIoParams, ShortBlocksSetOnlyWhatTheyCarry) {
  ExtIoParams p{};
  const std::string full = sim::CompanionParamBlock(7050000, true, 4, 2, 0x123, -10);
  ASSERT_EQ(full.size(), 31u);
  decode(p, full);
  EXPECT_EQ(p.activeFreq, 7050000);
  EXPECT_EQ(p.status0Bit6, 1);
  EXPECT_EQ(p.mode, 4);
  EXPECT_EQ(p.an, 2);
  EXPECT_EQ(p.squelch, 3);
  EXPECT_EQ(p.nr, -1);  // a decoded 0 means "none"
  EXPECT_EQ(p.volume, 30);
  EXPECT_EQ(p.offsetA, 0x123);
  EXPECT_EQ(p.offsetB, -10);

  // Nine bytes: only the status byte and the frequency change.
  const std::string nine = sim::CompanionParamBlock(3600000, false, 1, 1, 0, 0).substr(0, 9);
  decode(p, nine);
  EXPECT_EQ(p.activeFreq, 3600000);
  EXPECT_EQ(p.status0Bit6, 0);
  EXPECT_EQ(p.mode, 4);
  EXPECT_EQ(p.an, 2);
  EXPECT_EQ(p.offsetB, -10);
}

TEST(ExtIoParams, GuardsKeepTheLastGoodValues) {
  ExtIoParams p{};
  const std::string good = sim::CompanionParamBlock(7050000, false, 2, 3, 5, 6);
  decode(p, good);
  struct Case {
    const char* name;
    size_t at;
    char value;
    ParamBlockFault fault;
  } cases[] = {
      {"mode byte without bit 7", 9, '\x05', ParamBlockFault::None},
      {"antenna byte out of range", 20, '\x20', ParamBlockFault::None},
      {"squelch byte out of range", 11, '\x85', ParamBlockFault::None},
      {"offset digit not a digit", 24, 'x', ParamBlockFault::BadOffset},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    bad[c.at] = c.value;
    EXPECT_EQ(decode(p, bad), c.fault) << c.name;
    EXPECT_EQ(p.mode, 2) << c.name;
    EXPECT_EQ(p.an, 3) << c.name;
    EXPECT_EQ(p.squelch, 3) << c.name;
    EXPECT_EQ(p.offsetA, 5) << c.name;
  }
  // A frequency digit that is not a digit drops the whole block.
  std::string bad = sim::CompanionParamBlock(3600000, true, 1, 1, 0, 0);
  bad[4] = 'G';
  EXPECT_EQ(decode(p, bad), ParamBlockFault::BadFrequency);
  EXPECT_EQ(p.activeFreq, 7050000);
  EXPECT_EQ(p.status0Bit6, 0);
  EXPECT_EQ(p.mode, 2);
}

TEST(ExtIoSpectrum, WindowStartFollowsTheOffsets) {
  ExtIoParams p{};
  EXPECT_EQ(SpectrumWindowStart(p), 85);
  p.offsetB = -10;
  p.mode = 1;
  EXPECT_EQ(SpectrumWindowStart(p), 84);
  p.offsetB = 0;
  p.offsetA = 750;  // 4 points
  p.mode = 4;
  EXPECT_EQ(SpectrumWindowStart(p), 81);
  p.mode = 6;
  EXPECT_EQ(SpectrumWindowStart(p), 88);
  // Offsets far outside the spectrum still land inside it.
  p.offsetB = -0x80000;
  EXPECT_GE(SpectrumWindowStart(p), 0);
  EXPECT_LT(SpectrumWindowStart(p), 1024);
  p.offsetB = 0x7FFFF;
  EXPECT_GE(SpectrumWindowStart(p), 0);
  EXPECT_LT(SpectrumWindowStart(p), 1024);
}

TEST(ExtIoSpectrum, RotationWrapsRound) {
  std::vector<uint8_t> s(1024);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> out(1024, 0xEE);
  EXPECT_EQ(RotateSpectrum(s.data(), 1024, 1000, out.data()), 854);
  EXPECT_EQ(out[0], s[1000]);
  EXPECT_EQ(out[23], s[1023]);
  EXPECT_EQ(out[24], s[0]);
  EXPECT_EQ(out[853], s[829]);
  EXPECT_EQ(out[854], 0xEE);
  EXPECT_EQ(RotateSpectrum(s.data(), 1000, 0, out.data()), 0);  // not a whole spectrum
}

TEST(CatReply, PackedBcdInTensOfHertz) {
  const uint8_t a[5] = {0x01, 0x42, 0x34, 0x56, 0x01};
  EXPECT_EQ(CatReplyFrequency(a), 14234560);
  const uint8_t zero[5] = {0, 0, 0, 0, 0};
  EXPECT_EQ(CatReplyFrequency(zero), 0);
  for (uint8_t bad : {uint8_t{0x1A}, uint8_t{0xA1}, uint8_t{0xFF}, uint8_t{0x0F}}) {
    for (int at = 0; at < 4; ++at) {
      uint8_t r[5] = {0x01, 0x42, 0x34, 0x56, 0x01};
      r[at] = bad;
      EXPECT_EQ(CatReplyFrequency(r), -1) << std::hex << int(bad) << " at " << at;
    }
  }
  EXPECT_FALSE(VerifyByteFreq(0x99));
  EXPECT_TRUE(VerifyByteFreq(0x9A));
}

}  // namespace
