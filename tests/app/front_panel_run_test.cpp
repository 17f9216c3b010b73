// The whole program operated from its front panel: buttons pressed through the
// GPIO register file DIR/dev/gpiomem, as a finger would, change the
// attenuation, the antenna and the bank, and the changes reach the amplifier's
// wire and the bank files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "amp_sim.h"
#include "bench_files.h"
#include "front_panel.h"
#include "platform/clock.h"
#include "program_run.h"
#include "sandbox_fixture.h"

using ::testing::HasSubstr;

namespace {

class FrontPanelRun : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    ASSERT_TRUE(sim::writeBenchSetFiles(root_));
    ASSERT_TRUE(sim::writeMyTemp(root_, 48.3, 47.2));
    writeHost("/opt/set/setup.txt", readHost("/opt/set/setup.txt") + "NumBanco: " + std::to_string(kBank) + "\n");
    ASSERT_TRUE(amp_.ok());
    ASSERT_TRUE(amp_.linkSlaveTo(root_ + "/dev/ttyAMA0"));
    // The bank's band table puts 20 m on antenna 1 with the amplifier in line.
    writeHost("/opt/set/antenna_b" + std::to_string(kBank) + ".txt",
              "!Gen\n40m 7000000 7300000 1 1 0 0 0.0\n20m 14000000 14350000 1 1 0 0 0.0\n");
    amp_.start();
  }

  // A short press: down long enough for the debounce, then up.
  void tap(sim::FrontPanel& panel, int button) {
    panel.hold(button, 0.12);
    platform::sleepMs(250);
  }

  // Waits until the amplifier has received `text` since record index `from`.
  bool wireGets(const std::string& text, size_t from, int timeoutMs) {
    return amp_.waitFor(
        [&](const std::vector<sim::AmpSim::Received>& r) {
          for (size_t i = from; i < r.size(); ++i)
            if (r[i].text == text) return true;
          return false;
        },
        timeoutMs);
  }

  int bankInSetup() {
    const std::string setup = readHost("/opt/set/setup.txt");
    const size_t at = setup.find("NumBanco: ");
    return at == std::string::npos ? -1 : std::atoi(setup.c_str() + at + 10);
  }

  static constexpr int kBank = 3;
  sim::AmpSim amp_;
};

TEST_F(FrontPanelRun, ButtonsChangeAttenuationAntennaAndBankOnTheWireAndInTheFiles) {
  sim::FrontPanel panel(root_);
  ASSERT_TRUE(panel.ok()) << panel.error();
  panel.start();
  ProgramRun run(root_);
  // The keys act once start-up has built the menus, after the loading countdown.
  ASSERT_TRUE(run.waitForOutput("Time Loading ... 1..", 30000));
  platform::sleepMs(3000);
  // A short carrier lets the amplifier's counter measure the frequency (20 m),
  // so the keys' settings have a band row to be stored in.
  amp_.setDrive(10);
  amp_.setTransmit(true);
  platform::sleepMs(1500);
  amp_.setTransmit(false);
  platform::sleepMs(500);

  // IN-ATT: the attenuation steps from 0 dB to 2 dB.
  size_t from = amp_.received().size();
  tap(panel, 2);
  EXPECT_TRUE(wireGets("AT01;", from, 5000)) << "no AT01; on the wire";

  // ANT: antenna 1 to antenna 2, stored in the bank's band table.
  from = amp_.received().size();
  tap(panel, 3);
  EXPECT_TRUE(wireGets("SA2;", from, 5000)) << "no SA2; on the wire";

  // MEM: the next bank; its interface type goes out with the general settings
  // and the setup file remembers the bank. While errors are listed (the short
  // carrier may have raised a warning) button 1 is the error key first.
  from = amp_.received().size();
  for (int i = 0; i < 3 && bankInSetup() != kBank + 1; ++i) {
    tap(panel, 1);
    platform::sleepMs(300);
  }
  EXPECT_TRUE(amp_.waitFor(
      [&](const std::vector<sim::AmpSim::Received>& r) {
        return std::any_of(
            r.begin() + static_cast<long>(std::min(from, r.size())), r.end(),
            [](const sim::AmpSim::Received& x) { return x.text.rfind("GS", 0) == 0 && x.text.size() > 4; });
      },
      5000));
  EXPECT_EQ(bankInSetup(), kBank + 1);

  EXPECT_EQ(run.stop(SIGTERM, 15000), 0);
  // The first bank's band table now holds what the keys chose: antenna 2 and
  // attenuation step 1 in the row of the working frequency.
  const std::string table = readHost("/opt/set/antenna_b" + std::to_string(kBank) + ".txt");
  EXPECT_FALSE(table.empty());
  EXPECT_THAT(table, HasSubstr("20m 14000000 14350000 1 2 0 1 "));  // antenna 2, attenuation step 1
  EXPECT_THAT(run.stderrText(), ::testing::Not(HasSubstr("Segmentation")));
}

// Under the carrier ANT and MEM switch nothing: no antenna command and no bank
// change reach the amplifier, and the bank stays, also once receive is back.
TEST_F(FrontPanelRun, AntennaAndBankKeysSwitchNothingWhileTransmitting) {
  sim::FrontPanel panel(root_);
  ASSERT_TRUE(panel.ok()) << panel.error();
  panel.start();
  ProgramRun run(root_);
  ASSERT_TRUE(run.waitForOutput("Time Loading ... 1..", 30000));
  platform::sleepMs(3000);
  amp_.setDrive(10);
  amp_.setTransmit(true);
  platform::sleepMs(1500);
  const size_t from = amp_.received().size();
  for (int button : {3, 1, 1, 3}) tap(panel, button);  // button 1 may first be the error key
  platform::sleepMs(1000);
  amp_.setTransmit(false);
  platform::sleepMs(1500);
  const auto r = amp_.received();
  for (size_t i = from; i < r.size(); ++i) {
    EXPECT_NE(r[i].text.rfind("SA", 0), 0u) << r[i].text;
    EXPECT_FALSE(r[i].text.rfind("GS", 0) == 0 && r[i].text.size() > 4) << r[i].text;
  }
  EXPECT_EQ(bankInSetup(), kBank);
  EXPECT_EQ(run.stop(SIGTERM, 15000), 0);
}

}  // namespace
