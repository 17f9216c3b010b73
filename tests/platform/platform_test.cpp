#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/board.h"
#include "platform/files.h"
#include "platform/gpio.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/serial.h"
#include "pty.h"
#include "sandbox_fixture.h"

namespace {

using PlatformSandbox = SandboxTest;

TEST_F(PlatformSandbox, PathsLiveUnderTheRoot) {
  EXPECT_TRUE(platform::sandboxed());
  EXPECT_EQ(platform::hostPath("/opt/set/setup.txt"), root_ + "/opt/set/setup.txt");
  EXPECT_EQ(platform::hostPath("relative.png"), "relative.png");
  platform::setRoot("");
  EXPECT_EQ(platform::hostPath("/opt/set/setup.txt"), "/opt/set/setup.txt");
  platform::setRoot(root_);
}

TEST_F(PlatformSandbox, BoardCommandsNeverReachTheHost) {
  // Each of these would harm a PC if it ran; in the sandbox they are recorded
  // as the command the board would run.
  EXPECT_EQ(platform::reboot(), 0);
  EXPECT_EQ(platform::restartNetwork(), 0);
  EXPECT_EQ(platform::runMaintenanceShell(), 0);
  EXPECT_EQ(platform::runUpdateScript(), 0);
  platform::terminalSane();
  platform::clearTerminal();
  platform::hideConsoleCursor();
  const char* commands[] = {"reboot",
                            "sudo ifdown --exclude=lo -a && sudo ifup --exclude=lo -a",
                            "/opt/sshshell",
                            "/opt/VyrArt/getpack.sh",
                            "/bin/stty sane",
                            "/usr/bin/tput clear",
                            "/bin/echo -e -n '\\033[?25l' >/dev/tty0"};
  auto record = platform::commandRecord();
  ASSERT_EQ(record.size(), std::size(commands));
  for (size_t i = 0; i < record.size(); ++i) EXPECT_EQ(record[i], commands[i]);
  EXPECT_THAT(readHost("/var/log/commands.log"), ::testing::HasSubstr("reboot\n"));
}

TEST_F(PlatformSandbox, RemountsGuardWritesUnderOptSet) {
  EXPECT_FALSE(platform::optSetWritable());
  EXPECT_FALSE(platform::writeFileAtomic("/opt/set/x.txt", "a"));
  EXPECT_EQ(errno, EROFS);
  EXPECT_EQ(platform::openFile("/opt/set/x.txt", "a"), nullptr);
  // Outside "/opt/set" writes are free.
  EXPECT_TRUE(platform::writeFileAtomic("/tmp/free.txt", "b"));

  ASSERT_EQ(platform::remountSettingsWritable(), 0);
  EXPECT_TRUE(platform::writeFileAtomic("/opt/set/x.txt", "hello"));
  ASSERT_EQ(platform::remountSettingsReadOnly(), 0);
  EXPECT_EQ(*platform::readFile("/opt/set/x.txt"), "hello");
  EXPECT_FALSE(std::filesystem::exists(host("/opt/set/x.txt.tmp")));
}

TEST_F(PlatformSandbox, RmRemovesOnlyUnderTheRoot) {
  writeHost("/opt/good", "marker");
  EXPECT_EQ(platform::removeFile("/opt/good", platform::RemoveMode::ForceQuiet), 0);
  EXPECT_FALSE(std::filesystem::exists(host("/opt/good")));
  EXPECT_EQ(platform::commandRecord().back(), "rm -f /opt/good >/dev/null 2>&1");
  // A path that climbs out of the root stays inside it.
  writeHost("/etc/keep", "x");
  EXPECT_EQ(platform::removeFile("/tmp/../../etc/keep", platform::RemoveMode::Plain), 0);
  EXPECT_EQ(platform::commandRecord().back(), "rm /tmp/../../etc/keep");
  EXPECT_FALSE(std::filesystem::exists(host("/etc/keep")));
}

TEST_F(PlatformSandbox, OutputCommandsAnswerFromTheSimulation) {
  auto temp = platform::readProcessorTemperature();
  ASSERT_TRUE(temp);
  EXPECT_THAT(*temp, ::testing::MatchesRegex("[0-9.]+\ntemp=[0-9.]+'C\n"));
  writeHost("/run/sim/my_temp", "51.5\ntemp=44.0'C\n");
  EXPECT_EQ(*platform::readProcessorTemperature(), "51.5\ntemp=44.0'C\n");
  EXPECT_EQ(*platform::countUsbDevices("0d8c:01af"), "1\n");  // the codec is on the default bus
  writeHost("/run/sim/lsusb", "Bus 001 Device 001: ID 1d6b:0002 Linux Foundation 2.0 root hub\n");
  EXPECT_EQ(*platform::countUsbDevices("0d8c:01af"), "0\n");
  writeHost("/run/sim/lsusb",
            "Bus 001 Device 001: ID 1d6b:0002 Linux Foundation 2.0 root hub\n"
            "Bus 001 Device 004: ID 0d8c:01af C-Media Electronics, Inc. USB Audio\n");
  EXPECT_EQ(*platform::countUsbDevices("0d8c:01af"), "1\n");
  EXPECT_EQ(platform::commandRecord().back(), "lsusb|grep 0d8c:01af |wc -l");
  EXPECT_EQ(*platform::listUsbDevices("0d8c"), "Bus 001 Device 004: ID 0d8c:01af C-Media Electronics, Inc. USB Audio\n");
  EXPECT_EQ(platform::commandRecord().back(), "lsusb | grep 0d8c");
  EXPECT_EQ(*platform::countUsbDevices("0d8c:0102"), "0\n");
  platform::setSandboxAnswer(platform::BoardAction::CountUsbDevices, [](const platform::BoardCall& call) {
    return platform::BoardResult{0, call.argument};
  });
  EXPECT_EQ(*platform::countUsbDevices("0d8c:01af"), "0d8c:01af");
  platform::setSandboxAnswer(platform::BoardAction::CountUsbDevices, nullptr);
}

TEST_F(PlatformSandbox, GpioInTheSandboxIsTheRegisterFileNeverTheHostsMemory) {
  std::string error;
  auto gpio = platform::mapGpioRegisters(error);
  ASSERT_NE(gpio, nullptr) << error;
  EXPECT_TRUE(gpio->fileBacked());
  EXPECT_TRUE(std::filesystem::is_regular_file(host("/dev/gpiomem")));
}

// Standard error while `fn` runs.
template <typename Fn>
std::string capturedStderr(Fn fn) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "pipe failed";
  ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
  const int saved = ::dup(STDERR_FILENO);
  ::dup2(pipeFds[1], STDERR_FILENO);
  fn();
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  ::close(pipeFds[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  return out;
}

TEST_F(PlatformSandbox, QuietLoggingWritesNothingButObserversStillSeeIt) {
  const bool before = platform::logOutput();
  EXPECT_TRUE(before) << "the normal build logs";
  std::vector<std::string> seen;
  platform::setLogObserver([&](const std::string& s) { seen.push_back(s); });
  const std::string err = capturedStderr([] {
    platform::setLogOutput(false);
    platform::errPrintf("quiet line\n");
    platform::sysLog(platform::kErr, "quiet system line");
    platform::setLogOutput(true);
    platform::errPrintf("loud line\n");
  });
  platform::setLogObserver({});
  platform::setLogOutput(before);
  EXPECT_EQ(err, "loud line\n");
  EXPECT_THAT(seen, ::testing::ElementsAre("2: quiet line\n", "E: quiet system line", "2: loud line\n"));
}

TEST(PlatformBoard, GpioRefusesOnANonBoardMachine) {
  if (platform::isBcm283xBoard()) GTEST_SKIP() << "running on a BCM283x board";
  platform::setRoot("");
  std::string error;
  EXPECT_EQ(platform::mapGpioRegisters(error), nullptr);
  EXPECT_THAT(error, ::testing::HasSubstr("not a BCM283x board"));
}

TEST_F(PlatformSandbox, SerialPortOverPseudoTerminal) {
  sim::Pty pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(pty.linkSlaveTo(host("/dev/ttyAMA0")));
  platform::SerialOpen port = platform::openSerial("/dev/ttyAMA0", {});
  ASSERT_GE(port.fd, 0);
  ASSERT_TRUE(platform::writeAll(port.fd, "4dST;", 5));
  char buf[16] = {};
  ssize_t n = 0;
  for (int i = 0; i < 100 && n < 5; ++i) {
    ssize_t got = ::read(pty.master(), buf + n, sizeof buf - 1 - n);
    if (got > 0) n += got;
  }
  EXPECT_STREQ(buf, "4dST;");
  ASSERT_EQ(::write(pty.master(), "abc", 3), 3);
  int waiting = 0;
  for (int i = 0; i < 100 && waiting < 3; ++i) {
    waiting = platform::bytesWaiting(port.fd);
    if (waiting < 3) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(waiting, 3);
  platform::closeSerial(port.fd);

  platform::SerialOpen missing = platform::openSerial("/dev/ttyUSB9", {});
  EXPECT_EQ(missing.fd, -1);
  EXPECT_EQ(missing.failure, platform::SerialOpen::Failure::Open);
}

TEST_F(PlatformSandbox, AtomicWriteReplacesWholeFiles) {
  ASSERT_EQ(platform::remountSettingsWritable(), 0);
  ASSERT_TRUE(platform::writeFileAtomic("/opt/set/t.txt", std::string(10000, 'a')));
  ASSERT_TRUE(platform::writeFileAtomic("/opt/set/t.txt", "short"));
  EXPECT_EQ(readHost("/opt/set/t.txt"), "short");
  // A folder that does not exist: failure reported, nothing created.
  EXPECT_FALSE(platform::writeFileAtomic("/opt/set/none/t.txt", "x"));
}

}  // namespace
