// Whole-program runs of `hfamp --root DIR` with different setup files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "program_run.h"
#include "sandbox_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::vector<std::string> joinLines(const std::string& log) {
  std::vector<std::string> out;
  std::istringstream in(log);
  for (std::string l; std::getline(in, l);)
    if (l.find("Communicator joined") != std::string::npos) out.push_back(l.substr(l.find("Communicator")));
  return out;
}

class StartupRun : public SandboxTest {
 protected:
  // Waits for the end of start-up: the countdown closes at about 12 s, and
  // what follows takes well under a second unless the remote threads restart.
  void runUntilStarted(ProgramRun& run) {
    ASSERT_TRUE(run.waitForOutput("Time Loading ... 1..", 25000));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  }
};

TEST_F(StartupRun, FreshSandboxWritesDefaultsAndStopsCleanlyOnSigterm) {
  ProgramRun run(root_);
  runUntilStarted(run);
  ASSERT_TRUE(run.waitForOutput(">>>>>>>>>> SOCKET SERVER start", 5000));
  std::string setup = readHost("/opt/set/setup.txt");
  EXPECT_EQ(std::count(setup.begin(), setup.end(), '\n'), 67);
  EXPECT_THAT(setup, HasSubstr("LinPort: /dev/ttyAMA0\n"));

  long elapsed = 0;
  EXPECT_EQ(run.stop(SIGTERM, 15000, &elapsed), 0);
  EXPECT_LT(elapsed, (5000 + 2000) * emulationSlowdown()) << "shut-down took " << elapsed << " ms";

  std::string err = run.stderrText();
  EXPECT_THAT(err, HasSubstr("START Main ---"));
  EXPECT_THAT(err, HasSubstr("VYR ART version 0.055"));
  EXPECT_THAT(err, HasSubstr("Init Setup! "));
  EXPECT_THAT(err, HasSubstr(">>>>>>>>>> SOCKET SERVER start"));
  EXPECT_THAT(err, HasSubstr("Close..\n"));
  EXPECT_THAT(err, HasSubstr("Closed!\n"));
  // Default flags in the generic interface: keyboard, server, amplifier, timer,
  // GPIO; the transceiver links stay off.
  EXPECT_THAT(err, HasSubstr("ModeWorkIdx 0 "));
  EXPECT_THAT(joinLines(run.systemLog()),
              ::testing::ElementsAre("Communicator joined Key end", "Communicator joined Wsocket end",
                                     "Communicator joined Linear end", "Communicator joined Time end",
                                     "Communicator joined GPIO end"));
  EXPECT_THAT(run.systemLog(), HasSubstr("Communicator operations end"));
  // The last lines of the run, logged just before the log writer stops, are
  // written before the program exits.
  EXPECT_THAT(run.systemLog(), HasSubstr("file writer drained and joined"));
}

// The bank's interface type decides which link threads start: the start-up
// switches enaser and enaCatSer both begin at '1', but loading the bank
// applies its interface type, which keeps only the link that type needs
// (external IO for "Vyr", CAT serial for "817", neither for "Gen"). So with
// everything else off and EnableLinear on, a "Vyr" bank starts Serial and not
// CatSerial; "Serial and CatSerial both start" would hold only if the
// switches were left as they begin, and it would run a transceiver link the
// bank does not use.
TEST_F(StartupRun, OnlyTheAmplifierAndTheBanksLinkStartWhenEverythingElseIsOff) {
  writeHost("/opt/set/setup.txt",
            "EnableGPIO: 0\nEnableKeyb: 0\nEnableTime: 0\nEnableRead: 0\nEnableWrite: 0\nEnableCAT: 0\n"
            "EnableFFT: 0\nWebSocket: 0\nEnableLinear: 1\n");
  writeHost("/opt/set/antenna_b1.txt", "!Vyr\n");  // bank 1 follows the companion transceiver's IO link
  ProgramRun run(root_);
  runUntilStarted(run);
  ASSERT_TRUE(run.waitForOutput("VYRread start", 5000));
  EXPECT_EQ(run.stop(SIGTERM, 15000), 0);
  EXPECT_THAT(run.stderrText(), Not(HasSubstr("SOCKET")));
  EXPECT_THAT(joinLines(run.systemLog()),
              ::testing::ElementsAre("Communicator joined Serial end", "Communicator joined Linear end"));
}

TEST_F(StartupRun, OneRemoteFlagStartsAllFourAndPersistsThem) {
  writeHost("/opt/set/setup.txt", "EnableCAT: 1\nWebSocket: 0\nEnableGPIO: 0\nEnableKeyb: 0\n");
  ProgramRun run(root_);
  runUntilStarted(run);
  ASSERT_TRUE(run.waitForOutput("Cat.c start", 10000));
  // The threads start before the setup file is saved: wait for the save.
  std::string setup;
  for (int i = 0; i < 100 && setup.find("EnableCAT: 1\n") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    setup = readHost("/opt/set/setup.txt");
  }
  for (const char* line : {"EnableRead: 1\n", "EnableWrite: 1\n", "EnableCAT: 1\n", "EnableFFT: 1\n"})
    EXPECT_THAT(setup, HasSubstr(line));
  EXPECT_EQ(run.stop(SIGINT, 15000), 0);
  std::string err = run.stderrText();
  EXPECT_THAT(err, HasSubstr(">>>>>>>>>>>>>>>>>>>>>>>>> REMOTE STOP"));
  EXPECT_THAT(err, HasSubstr("Th_scrivi start"));
  EXPECT_THAT(err, HasSubstr("Th_leggi start"));
  EXPECT_THAT(joinLines(run.systemLog()),
              ::testing::ElementsAre("Communicator joined FFT end", "Communicator joined Touch end",
                                     "Communicator joined Spi end", "Communicator joined Cat end",
                                     "Communicator joined Linear end", "Communicator joined Time end"));
}

TEST_F(StartupRun, NoDisplayStopsWithAClearMessage) {
  writeHost("/dev/fb0.info", "800 480 12\n");
  ProgramRun run(root_);
  EXPECT_EQ(run.waitExit(10000), 2);
  EXPECT_THAT(run.stderrText(), HasSubstr("cannot open the display"));
  EXPECT_THAT(run.systemLog(), HasSubstr("Unknown pixel format"));
}

}  // namespace
