#include "display/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Decoded {
  int valid;
  unsigned codePoint;
  int advance;
  bool operator==(const Decoded&) const = default;
};

std::vector<Decoded> decodeAll(const std::string& bytes) {
  std::vector<Decoded> out;
  const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
  int pos = 0, valid = 0;
  unsigned cp = 0;
  for (;;) {
    int before = pos;
    if (utf8_get_next_char(text, static_cast<int>(bytes.size()), &pos, &valid, &cp) != 1) break;
    out.push_back({valid, cp, pos - before});
  }
  return out;
}

struct Case {
  const char* name;
  std::string bytes;
  std::vector<Decoded> expected;
};

TEST(Utf8Decode, WellFormedAndIllFormedSequences) {
  const Case cases[] = {
      {"ascii and euro", "A\xE2\x82\xAC" "B", {{1, 0x41, 1}, {1, 0x20AC, 3}, {1, 0x42, 1}}},
      {"lone continuation", "\x80", {{0, 0, 1}}},
      {"truncated three-byte then A", "\xE2\x82" "A", {{0, 0, 2}, {1, 0x41, 1}}},
      {"surrogate is three invalid bytes", "\xED\xA0\x80", {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}},
      {"F5 alone", "\xF5", {{0, 0, 1}}},
      {"overlong C0 80", std::string("\xC0\x80", 2), {{0, 0, 1}, {0, 0, 1}}},
      {"four-byte emoji", "\xF0\x9F\x98\x80", {{1, 0x1F600, 4}}},
      {"two-byte e acute", "\xC3\xA9", {{1, 0xE9, 2}}},
      {"overlong E0 80 80", "\xE0\x80\x80", {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}},
      {"E0 A0 80 is U+0800", "\xE0\xA0\x80", {{1, 0x800, 3}}},
      {"F4 90 is past U+10FFFF", "\xF4\x90\x80\x80", {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}}},
      {"F4 8F BF BF is U+10FFFF", "\xF4\x8F\xBF\xBF", {{1, 0x10FFFF, 4}}},
      {"four-byte missing last", "\xF0\x9F\x98" "A", {{0, 0, 3}, {1, 0x41, 1}}},
      {"four-byte bad third", "\xF0\x9F" "AB", {{0, 0, 2}, {1, 0x41, 1}, {1, 0x42, 1}}},
      {"two-byte at end", "\xC3", {{0, 0, 1}}},
      {"embedded NUL", std::string("a\0b", 3), {{1, 0x61, 1}, {1, 0, 1}, {1, 0x62, 1}}},
  };
  for (const Case& c : cases) EXPECT_EQ(decodeAll(c.bytes), c.expected) << c.name;
}

TEST(Utf8Decode, ReturnsMinusOneAtTheEndAndResetsOutputs) {
  const unsigned char text[] = "A\xE2\x82\xAC" "B";
  int pos = 0, valid = 0, calls = 0;
  unsigned cp = 0;
  while (utf8_get_next_char(text, 5, &pos, &valid, &cp) == 1) ++calls;
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(pos, 5);
  valid = 0;
  cp = 99;
  EXPECT_EQ(utf8_get_next_char(text, 5, &pos, &valid, &cp), -1);
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(valid, 1);
  EXPECT_EQ(cp, 0u);
  // The decoder never reads past the given length, whatever follows.
  pos = 0;
  EXPECT_EQ(utf8_get_next_char(text, 2, &pos, &valid, &cp), 1);
  EXPECT_EQ(utf8_get_next_char(text, 2, &pos, &valid, &cp), 1);
  EXPECT_EQ(valid, 0);
  EXPECT_EQ(pos, 2);
}

TEST(Utf8Length, CountsCharactersWellFormedOrNot) {
  auto len = [](const std::string& s) {
    return utf8_length(reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()));
  };
  EXPECT_EQ(len(""), 0);
  EXPECT_EQ(len("\xC3\xA9" "A"), 2);
  EXPECT_EQ(len("\xED\xA0\x80"), 3);
  EXPECT_EQ(len("PA Temp1: 45.0\xC2\xB0" "C"), 16);
}

}  // namespace
