// The whole program with the simulated front panel and service keyboard
// attached through the sandbox's files, as the bench runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "front_panel.h"
#include "program_run.h"
#include "sandbox_fixture.h"
#include "sim_keyboard.h"

using ::testing::HasSubstr;

namespace {

using PanelRun = SandboxTest;

TEST_F(PanelRun, F12OnTheServiceKeyboardEndsTheProgramWithStatusZero) {
  sim::FrontPanel panel(root_);
  ASSERT_TRUE(panel.ok()) << panel.error();
  panel.start();
  sim::SimKeyboard keyboard(root_);
  ASSERT_TRUE(keyboard.ok());

  ProgramRun run(root_);
  // The keyboard thread starts at the end of start-up (about 12 s).
  ASSERT_TRUE(run.waitForOutput("Keyboard opened", 30000));
  ASSERT_TRUE(keyboard.type("F12"));
  EXPECT_EQ(run.waitExit(15000), 0);

  const std::string log = run.systemLog();
  EXPECT_THAT(log, HasSubstr("Exited by KEY_F12"));
  EXPECT_THAT(log, HasSubstr("GPIO operations end"));
  EXPECT_THAT(log, HasSubstr("Communicator joined Key end"));
  EXPECT_THAT(log, HasSubstr("Communicator joined GPIO end"));
  EXPECT_THAT(run.stderrText(), HasSubstr("Closed!\n"));

  // Across the process boundary the panel received the program's own codes:
  // 176 first, the start-up 197, the countdown's 181, and the reading polls.
  panel.stop();
  std::vector<int> codes;
  for (const auto& c : panel.commands())
    if (!c.garbled) codes.push_back(c.code);
  ASSERT_FALSE(codes.empty());
  for (int code : codes) EXPECT_THAT(code, ::testing::AnyOf(176, 197, 181, 0xD1, 0xD2, 0xD3));
  if (panel.garbled() == 0) {
    EXPECT_EQ(codes.front(), 176);
    EXPECT_NE(std::find(codes.begin(), codes.end(), 181), codes.end());
  }
}

}  // namespace
