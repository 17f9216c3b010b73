// A real-world interfaces file taken through the panel: the address and the
// gateway edited with the front-panel keys, saved with ENTER, and read back.
#include <gtest/gtest.h>

#include <string>

#include "menu_test_support.h"
#include "ui/key_dispatch.h"

namespace {

const std::string kInterfaces =
    "# This file describes the network interfaces available on your system\n"
    "# and how to activate them. For more information, see interfaces(5).\n"
    "\n"
    "source /etc/network/interfaces.d/*\n"
    "\n"
    "# The loopback network interface\n"
    "auto lo\n"
    "iface lo inet loopback\n"
    "\n"
    "# The primary network interface\n"
    "allow-hotplug eth0\n"
    "iface eth0 inet static\n"
    "\taddress 192.168.1.20\n"
    "\tnetmask 255.255.255.0\n"
    "\tgateway 192.168.1.1\n"
    "\t# nameserver 1.1.1.1 (kept for later)\n"
    "\tdns-nameservers 192.168.1.1\n"
    "    nameserver 8.8.8.8\n"
    "\n"
    "allow-hotplug wlan0\n"
    "iface wlan0 inet dhcp\n"
    "\twpa-conf /etc/wpa_supplicant/wpa_supplicant.conf\n";

class LanRoundTrip : public MenuTest {
 protected:
  void key(int button, int times = 1) {
    for (int i = 0; i < times; ++i) DecodeTasto(w_.get(), button, 0);
  }
};

TEST_F(LanRoundTrip, PanelEditsRewriteOnlyTheEditedValues) {
  writeHost(kInterfacesPath, kInterfaces);
  ASSERT_EQ(ReadLanParam(w_.get()), 0);
  EXPECT_STREQ(IP, "192.168.1.20");
  EXPECT_STREQ(DNS, "8.8.8.8");

  key(5);                   // SET: the setup list
  key(4, kRowIp);           // down to "NETWORK LAN IP"
  ASSERT_EQ(w_->menuRow, kRowIp);
  key(6);                   // ENTER: edit it
  ASSERT_EQ(w_->menuPage, kLumoValueEdit);
  key(5, 5);                // "+" five times on the last byte: .25
  key(2);                   // "<" to the third byte
  key(4);                   // "-": 192.168.0.25
  EXPECT_EQ(shown(kRowIp), "192.168.0.25");
  EXPECT_FALSE(platform::commandRecord().size());  // nothing saved yet
  key(6);                   // ENTER saves and restarts the network
  EXPECT_EQ(w_->menuPage, kLumoSetupList);

  std::string expected = kInterfaces;
  expected.replace(expected.find("192.168.1.20"), 12, "192.168.0.25");
  EXPECT_EQ(readHost(kInterfacesPath), expected);
  const auto record = platform::commandRecord();
  ASSERT_EQ(record.size(), 2u);
  EXPECT_EQ(record[1], "sudo ifdown --exclude=lo -a && sudo ifup --exclude=lo -a");

  key(4, kRowGateway - kRowIp);  // down to the gateway
  key(6);
  key(3);  // ">" from the last byte wraps to the first
  key(5);  // 193.168.1.1
  key(6);
  expected.replace(expected.find("gateway 192.168.1.1"), 19, "gateway 193.168.1.1");
  EXPECT_EQ(readHost(kInterfacesPath), expected);

  ASSERT_EQ(ReadLanParam(w_.get()), 0);
  EXPECT_STREQ(IP, "192.168.0.25");
  EXPECT_STREQ(Gateway, "193.168.1.1");
  EXPECT_STREQ(DNS, "8.8.8.8");
}

// Leaving an address as it was, by ENTER after steps that cancel out or by
// BACK, neither rewrites the file nor restarts the network.
TEST_F(LanRoundTrip, AnUnchangedAddressKeepsTheNetwork) {
  writeHost(kInterfacesPath, kInterfaces);
  ASSERT_EQ(ReadLanParam(w_.get()), 0);
  w_->menuPage = kLumoSetupList, w_->menuRow = kRowIp;
  key(6);
  key(5), key(4);  // "+" then "-"
  key(6);
  EXPECT_EQ(w_->menuPage, kLumoSetupList);
  key(6);
  key(5, 3);
  key(1);  // BACK
  EXPECT_EQ(w_->menuPage, kLumoSetupList);
  EXPECT_EQ(shown(kRowIp), "192.168.1.20");
  key(6), key(6);  // ENTER after BACK: still nothing to apply
  EXPECT_TRUE(platform::commandRecord().empty());
  EXPECT_EQ(readHost(kInterfacesPath), kInterfaces);
}

}  // namespace
