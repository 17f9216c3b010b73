// The CAT relay end to end: the simulated companion's CAT port on a
// pseudo-terminal, the relay thread, the server, and a peer on a socket.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "amp/errors.h"
#include "ft817_sim.h"
#include "links/cat_relay.h"
#include "remote_harness.h"
#include "state/setup_record.h"
#include "wait_until.h"

namespace {

class CatRelay : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    useTestTimings();
    ASSERT_TRUE(rig_.linkSlaveTo(host("/dev/ORVACAT0")));
    rig_.start();
    unit_.w()->setup->EnableCAT = '1';
    unit_.startServer();
    relay_ = std::thread(Cat, unit_.w());
    // The relay opens its port after its probe; a busy machine needs longer.
    ASSERT_TRUE(waitUntil([&] { return unit_.w()->catFD > 0; }, 15000));
  }
  void TearDown() override {
    unit_.w()->setup->EnableCAT = '0';
    if (relay_.joinable()) relay_.join();
    unit_.stop();
    rig_.stop();
    restoreTimings();
    SandboxTest::TearDown();
  }
  std::string nextCat(RawPeer& peer) {
    FrameBytes f;
    if (!peer.readFrame(f) || f.size() < 4 || f[0] != kOpBinary) return "";
    return std::string(f.begin() + 2, f.end());
  }
  sim::CompanionCatSim rig_;
  RemoteUnit unit_;
  std::thread relay_;
};

TEST_F(CatRelay, TransceiverTextReachesThePeerAndThePeersTextReachesTheTransceiver) {
  RawPeer peer(unit_.port());
  ASSERT_TRUE(peer.login("lindoramesca"));
  ASSERT_TRUE(waitUntil([&] { return unit_.w()->wsConnected == 1; }, 2000));
  rig_.say("FA00014070000;");
  EXPECT_EQ(nextCat(peer), "CAFA00014070000;");
  rig_.say("MD2;IF;");  // two commands at once: two frames
  EXPECT_EQ(nextCat(peer), "CAMD2;");
  EXPECT_EQ(nextCat(peer), "CAIF;");
  const std::string longer = std::string(159, 'x') + ";";
  rig_.say(longer);
  const std::string a = nextCat(peer), b = nextCat(peer);
  EXPECT_EQ(a.size(), 2 + 123u);
  EXPECT_EQ(a.substr(2) + b.substr(2), longer);
  ASSERT_TRUE(peer.send(ShortBinaryFrame("CA", reinterpret_cast<const uint8_t*>("FA;"), 3)));
  EXPECT_TRUE(waitUntil(
      [&] {
        for (const std::string& c : rig_.received())
          if (c == "FA;") return true;
        return false;
      },
      2000));
}

TEST_F(CatRelay, StoppingTheRelayClosesThePortAndRaisesItsError) {
  unit_.w()->setup->EnableCAT = '0';
  relay_.join();
  EXPECT_EQ(unit_.w()->catFD, 0);
  EXPECT_EQ(unit_.w()->remoteActive, 1);
  int codes[kNumErrors];
  const int n = ErrorSnapshot(unit_.w(), codes);
  bool raised = false;
  for (int i = 0; i < n; ++i) raised |= codes[i] == kErrRemoteCat;
  EXPECT_TRUE(raised);
}

}  // namespace
