// The network settings: the address texts and bytes read from the interfaces
// file, byte-by-byte editing, and the rewrite that keeps every other line.
#include "ui/network_settings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "platform/board.h"
#include "platform/files.h"
#include "works_fixture.h"

namespace {

using Bytes = std::array<uint8_t, 4>;

Bytes bytes(const uint8_t* v) { return {v[0], v[1], v[2], v[3]}; }

class LanTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    for (char* t : {IP, NetMask, Gateway, DNS, MAC}) std::memset(t, 0, kLanTextSize);
    for (uint8_t* v : {IP_v, NetMask_v, Gateway_v, DNS_v}) std::memset(v, 0, 4);
    Gateway_none = DNS_none = 0;
  }
  void TearDown() override {
    platform::setSandboxAnswer(platform::BoardAction::RemountRootWritable, nullptr);
    platform::setSandboxAnswer(platform::BoardAction::RestartNetwork, nullptr);
    WorksTest::TearDown();
  }
  void writeFile(const std::string& text) { writeHost(kInterfacesPath, text); }
  std::string file() { return readHost(kInterfacesPath); }
};

TEST(SplitAddr, TakesFourNumbersOf0To255AndRejectsAnythingElse) {
  const struct {
    const char* text;
    int result;
    Bytes expected;
  } cases[] = {
      {"192.168.1.20", 0, {192, 168, 1, 20}},
      {"10.0.0.1/24", 0, {10, 0, 0, 1}},  // a prefix length after the address is ignored
      {" 255.255.255.0 ", 0, {255, 255, 255, 0}},
      {"300.1.1.1", -1, {9, 9, 9, 9}},  // a byte cannot hold 300: keep what was there
      {"1.2.3", -1, {9, 9, 9, 9}},
      {"1..2.3", -1, {9, 9, 9, 9}},
      {"a.b.c.d", -1, {9, 9, 9, 9}},
      {"", -1, {9, 9, 9, 9}},
  };
  for (const auto& c : cases) {
    uint8_t v[4] = {9, 9, 9, 9};
    EXPECT_EQ(SplitAddr(c.text, v), c.result) << c.text;
    EXPECT_EQ(bytes(v), c.expected) << c.text;
  }
  char text[16];
  const uint8_t v[4] = {255, 0, 10, 7};
  SplitAddrInv(text, v);
  EXPECT_STREQ(text, "255.0.10.7");
}

TEST(ModifyIP, StepsWrapWithinAByteAndTheCursorWithin0To3) {
  const struct {
    int op, cursor;
    Bytes before;
    int cursorAfter;
    Bytes after;
  } cases[] = {
      {kLanUp, 3, {1, 2, 3, 255}, 3, {1, 2, 3, 0}},  {kLanDown, 0, {0, 2, 3, 4}, 0, {255, 2, 3, 4}},
      {kLanRight, 3, {1, 2, 3, 4}, 0, {1, 2, 3, 4}}, {kLanLeft, 0, {1, 2, 3, 4}, 3, {1, 2, 3, 4}},
      {kLanLeft, 2, {1, 2, 3, 4}, 1, {1, 2, 3, 4}},  {0, 1, {1, 2, 3, 4}, 1, {1, 2, 3, 4}},
      {7, 1, {1, 2, 3, 4}, 1, {1, 2, 3, 4}},         {kLanUp, 9, {1, 2, 3, 4}, 3, {1, 2, 3, 5}},
      {kLanDown, -4, {1, 2, 3, 4}, 0, {0, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    Bytes v = c.before;
    EXPECT_EQ(ModifyIP(c.op, c.cursor, v.data()), c.cursorAfter) << c.op << " at " << c.cursor;
    EXPECT_EQ(v, c.after) << c.op << " at " << c.cursor;
  }
  // Any run of keys leaves the cursor on one of the four bytes.
  std::mt19937 rng(7);
  Bytes v{};
  for (int i = 0, cursor = 3; i < 5000; ++i) {
    cursor = ModifyIP(static_cast<int>(rng() % 6), cursor, v.data());
    ASSERT_GE(cursor, 0);
    ASSERT_LE(cursor, 3);
  }
}

TEST_F(LanTest, ReadsTheFourValuesAndFlagsTheMissingOnes) {
  writeFile(
      "auto eth0\niface eth0 inet static\n  address 10.0.0.5\n    netmask 255.255.0.0\n"
      "address 192.168.1.20\r\nnameserver 8.8.4.4");  // last line without its line feed
  ASSERT_EQ(ReadLanParam(nullptr), 0);
  EXPECT_STREQ(IP, "192.168.1.20");  // the later line wins
  EXPECT_EQ(bytes(IP_v), (Bytes{192, 168, 1, 20}));
  EXPECT_EQ(bytes(NetMask_v), (Bytes{255, 255, 0, 0}));
  EXPECT_STREQ(DNS, "8.8.4.4");
  EXPECT_EQ(bytes(DNS_v), (Bytes{8, 8, 4, 4}));
  EXPECT_EQ(DNS_none, 0);
  EXPECT_EQ(Gateway_none, 1);

  std::remove(host(kInterfacesPath).c_str());
  EXPECT_EQ(ReadLanParam(nullptr), -1);
  EXPECT_STREQ(Gateway, "");
}

TEST_F(LanTest, SavingRewritesOnlyTheChangedValueInTheLineItWasReadFrom) {
  std::string tail;
  for (int i = 0; i < 60; ++i) tail += "# line " + std::to_string(i) + "\n";  // past any line limit
  tail += "# " + std::string(300, 'x') + "\n";                              // past any line length
  writeFile(
      "iface eth0 inet static\naddress 10.0.0.5\n  address 10.0.0.6\nnetmask 255.0.0.0\n"
      "nameserver 1.1.1.1\n\taddress 10.0.0.7/24 # eth1\r\n" +
      tail);
  ASSERT_EQ(ReadLanParam(nullptr), 0);
  EXPECT_EQ(bytes(IP_v), (Bytes{10, 0, 0, 7}));  // the last address line
  ASSERT_EQ(Gateway_none, 1);
  IP_v[3] = 99;
  platform::setSandboxAnswer(platform::BoardAction::RestartNetwork, [](auto&) { return platform::BoardResult{3, ""}; });
  EXPECT_EQ(SaveLanParam(nullptr), 3);  // the restart's status
  // The other interfaces keep their addresses; the edited line keeps its tab,
  // its prefix length, its comment and its carriage return. Unchanged values
  // (the name server, the absent gateway) are not touched.
  EXPECT_EQ(file(),
            "iface eth0 inet static\naddress 10.0.0.5\n  address 10.0.0.6\nnetmask 255.0.0.0\n"
            "nameserver 1.1.1.1\n\taddress 10.0.0.99/24 # eth1\r\n" +
                tail);
  const auto record = platform::commandRecord();
  ASSERT_EQ(record.size(), 2u);
  EXPECT_EQ(record[0], "mount -o remount defaults,rw /");
  EXPECT_EQ(record[1], "sudo ifdown --exclude=lo -a && sudo ifup --exclude=lo -a");
}

TEST_F(LanTest, UnreadableValuesAndAMissingLastLineFeedSurviveASave) {
  writeFile("address 10.0.0.5\nnetmask 255.255.255.0.0\ngateway router.local\nnameserver 9.9.9.9");
  ASSERT_EQ(ReadLanParam(nullptr), 0);
  EXPECT_STREQ(Gateway, "router.local");  // shown as read
  EXPECT_EQ(bytes(Gateway_v), (Bytes{0, 0, 0, 0}));
  DNS_v[0] = 8;
  ASSERT_EQ(SaveLanParam(nullptr), 0);
  EXPECT_EQ(file(), "address 10.0.0.5\nnetmask 255.255.255.0.0\ngateway router.local\nnameserver 8.9.9.9");
}

// A value the editor cannot read as a dotted address keeps its line when the
// row is edited: the new value never lands in front of the old one.
TEST_F(LanTest, AnEditedValueNeverPrefixesAnUnreadableOne) {
  const std::string text = "iface eth0 inet6 static\n\taddress fe80::1/64\n\tgateway 10.0.0.1\n";
  writeFile(text);
  ASSERT_EQ(ReadLanParam(nullptr), 0);
  const uint8_t ip[4] = {1, 2, 3, 4};
  std::memcpy(IP_v, ip, 4);
  SaveLanParam(nullptr);
  EXPECT_EQ(file(), text);
  EXPECT_NE(file().find("address fe80::1/64\n"), std::string::npos);
}

TEST_F(LanTest, AnEditedGatewayTheFileLackedGoesAfterTheAddress) {
  writeFile("auto eth0\niface eth0 inet static\n    address 10.0.0.5\n    netmask 255.0.0.0\n");
  ASSERT_EQ(ReadLanParam(nullptr), 0);
  ASSERT_EQ(Gateway_none, 1);
  ASSERT_EQ(SaveLanParam(nullptr), 0);  // nothing changed: nothing added
  EXPECT_EQ(file(), "auto eth0\niface eth0 inet static\n    address 10.0.0.5\n    netmask 255.0.0.0\n");
  const uint8_t gw[4] = {10, 0, 0, 1};
  std::memcpy(Gateway_v, gw, 4);
  ASSERT_EQ(SaveLanParam(nullptr), 0);
  EXPECT_EQ(file(),
            "auto eth0\niface eth0 inet static\n    address 10.0.0.5\n    netmask 255.0.0.0\n    gateway 10.0.0.1\n");
}

TEST_F(LanTest, WithoutAFileNothingIsShownAndNothingIsWritten) {
  EXPECT_EQ(ReadLanParam(nullptr), -1);
  EXPECT_EQ(bytes(IP_v), (Bytes{0, 0, 0, 0}));
  IP_v[0] = 10;
  EXPECT_EQ(SaveLanParam(nullptr), -1);
  EXPECT_FALSE(platform::fileExists(kInterfacesPath));
}

TEST_F(LanTest, NothingIsWrittenWhenTheRootCannotBeMadeWritable) {
  writeFile("address 10.0.0.5\n");
  ASSERT_EQ(ReadLanParam(nullptr), 0);
  IP_v[0] = 11;
  platform::setSandboxAnswer(platform::BoardAction::RemountRootWritable, [](auto&) {
    return platform::BoardResult{1, ""};
  });
  EXPECT_EQ(SaveLanParam(nullptr), -1);
  EXPECT_EQ(file(), "address 10.0.0.5\n");
  EXPECT_EQ(platform::commandRecord().size(), 1u);  // no restart
}

}  // namespace
