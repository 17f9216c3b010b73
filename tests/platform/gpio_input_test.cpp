// The sandbox's GPIO register file and keyboard pipe, as other processes see
// them, and the service-command calls.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/board.h"
#include "platform/gpio.h"
#include "platform/input.h"
#include "platform/paths.h"
#include "sandbox_fixture.h"

namespace {

using platform::GpioReg;

class GpioFile : public SandboxTest {
 protected:
  std::unique_ptr<platform::GpioBlock> map() {
    std::string error;
    auto gpio = platform::mapGpioRegisters(error);
    EXPECT_NE(gpio, nullptr) << error;
    return gpio;
  }
  std::unique_ptr<platform::GpioBlock> mapOther() {
    std::string error;
    auto gpio = platform::mapGpioFile(host("/dev/gpiomem"), error);
    EXPECT_NE(gpio, nullptr) << error;
    return gpio;
  }
};

TEST_F(GpioFile, IsCreatedAsOnePageWithTheButtonsReleased) {
  auto gpio = map();
  ASSERT_TRUE(gpio);
  const std::string bytes = readHost("/dev/gpiomem");
  ASSERT_EQ(bytes.size(), 4096u);
  // GPLEV0 at byte 0x34, little-endian: bits 22..27 set.
  std::string expected(4096, '\0');
  expected[0x36] = '\xC0';
  expected[0x37] = '\x0F';
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(gpio->read(GpioReg::GPLEV0), platform::kButtonLevelBits);
}

TEST_F(GpioFile, RegistersSitAtTheirByteOffsetsLittleEndian) {
  auto gpio = map();
  ASSERT_TRUE(gpio);
  const struct {
    GpioReg reg;
    size_t offset;
  } regs[] = {{GpioReg::GPFSEL0, 0x00}, {GpioReg::GPSET0, 0x1C}, {GpioReg::GPCLR0, 0x28},
              {GpioReg::GPLEV0, 0x34},  {GpioReg::GPPUD, 0x94},  {GpioReg::GPPUDCLK0, 0x98}};
  for (const auto& r : regs) {
    gpio->write(r.reg, 0x11223344);
    const std::string bytes = readHost("/dev/gpiomem");
    EXPECT_EQ(bytes.substr(r.offset, 4), std::string("\x44\x33\x22\x11", 4)) << "offset " << r.offset;
    gpio->write(r.reg, 0);
  }
}

TEST_F(GpioFile, TwoMappingsShareTheRegistersAndAnExistingFileIsKept) {
  auto program = map();
  auto panel = mapOther();
  ASSERT_TRUE(program && panel);
  EXPECT_EQ(panel->fetchAnd(GpioReg::GPLEV0, ~(1u << 24)), platform::kButtonLevelBits);  // button 3 down
  EXPECT_EQ(program->read(GpioReg::GPLEV0), platform::kButtonLevelBits & ~(1u << 24));
  program->write(GpioReg::GPSET0, 1u << 16);
  EXPECT_EQ(panel->read(GpioReg::GPSET0), 1u << 16);
  // Mapping again (a restarted program) keeps the pressed button.
  program.reset();
  program = map();
  EXPECT_EQ(program->read(GpioReg::GPLEV0), platform::kButtonLevelBits & ~(1u << 24));
  EXPECT_EQ(panel->fetchOr(GpioReg::GPLEV0, 1u << 24), platform::kButtonLevelBits & ~(1u << 24));
}

TEST_F(GpioFile, ChangesFromSeveralWritersAreNeverLost) {
  auto a = map();
  auto b = mapOther();
  ASSERT_TRUE(a && b);
  // Each writer toggles its own bit through its own mapping and checks the old
  // value every time: a plain read-then-write would undo the other's toggles.
  auto toggle = [](platform::GpioBlock* gpio, uint32_t bit, int* lost) {
    for (int i = 0; i < 20000; ++i) {
      if (!(gpio->fetchAnd(GpioReg::GPLEV0, ~bit) & bit)) ++*lost;
      if (gpio->fetchOr(GpioReg::GPLEV0, bit) & bit) ++*lost;
    }
  };
  int lostA = 0, lostB = 0;
  std::thread ta(toggle, a.get(), 1u << 22, &lostA);
  std::thread tb(toggle, b.get(), 1u << 27, &lostB);
  ta.join();
  tb.join();
  EXPECT_EQ(lostA, 0);
  EXPECT_EQ(lostB, 0);
  EXPECT_EQ(a->read(GpioReg::GPLEV0), platform::kButtonLevelBits);
}

TEST_F(GpioFile, PinFunctionsTouchOnlyTheirOwnField) {
  auto gpio = map();
  ASSERT_TRUE(gpio);
  const struct {
    int pin;
    GpioReg reg;
    int shift;
  } pins[] = {{4, GpioReg::GPFSEL0, 12},  {6, GpioReg::GPFSEL0, 18}, {13, GpioReg::GPFSEL1, 9},
              {16, GpioReg::GPFSEL1, 18}, {22, GpioReg::GPFSEL2, 6}, {27, GpioReg::GPFSEL2, 21}};
  for (const auto& p : pins) {
    gpio->write(p.reg, 0xFFFFFFFF);
    gpio->setFunction(p.pin, platform::kGpioOutput);
    EXPECT_EQ(gpio->read(p.reg), ~(6u << p.shift)) << "pin " << p.pin;
    EXPECT_EQ(gpio->function(p.pin), platform::kGpioOutput);
    gpio->setFunction(p.pin, platform::kGpioInput);
    EXPECT_EQ(gpio->read(p.reg), ~(7u << p.shift)) << "pin " << p.pin;
    gpio->write(p.reg, 0);
  }
}

TEST_F(GpioFile, AShortFileIsRefused) {
  writeHost("/dev/gpiomem", "not registers");
  std::string error;
  EXPECT_EQ(platform::mapGpioRegisters(error), nullptr);
  EXPECT_THAT(error, ::testing::HasSubstr("4096"));
}

TEST(InputEvents, RecordsHaveTheHostsLayout) {
  // The kernel's record: a time stamp of two longs, then type, code, value.
  EXPECT_EQ(platform::inputEventSize(), 2 * sizeof(long) + 8);
  const std::string r = platform::encodeInputEvent(platform::kEvKey, platform::kKeyF11, platform::kKeyPressed);
  ASSERT_EQ(r.size(), platform::inputEventSize());
  const std::string tail = r.substr(2 * sizeof(long));
  EXPECT_EQ(tail, std::string("\x01\x00\x57\x00\x01\x00\x00\x00", 8));
}

using InputSandbox = SandboxTest;

TEST_F(InputSandbox, TheFirstMatchingDeviceByNameIsFound) {
  const struct {
    std::vector<std::string> names;
    std::string expected;
  } cases[] = {
      {{}, ""},
      {{"usb-Mouse-event-mouse"}, ""},
      {{"usb-Logitech_USB_Keyboard-event-kbd", "usb-Mouse-event-mouse"}, "usb-Logitech_USB_Keyboard-event-kbd"},
      {{"z-event-kbd", "b-event-kbd", ".hidden-event-kbd", "b-event-kbd-if01"}, "b-event-kbd"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(host("/dev/input"));
    std::filesystem::create_directories(host("/dev/input/by-id"));
    for (const auto& n : c.names) writeHost("/dev/input/by-id/" + n, "");
    EXPECT_EQ(platform::findInputDevice("/dev/input/by-id/*-event-kbd"),
              c.expected.empty() ? "" : "/dev/input/by-id/" + c.expected);
  }
  std::filesystem::remove_all(host("/dev/input"));
  EXPECT_EQ(platform::findInputDevice("/dev/input/by-id/*-event-kbd"), "");
}

TEST_F(InputSandbox, EventsComeWholeThroughAPipe) {
  std::filesystem::create_directories(host("/dev/input/by-id"));
  ASSERT_EQ(::mkfifo(host("/dev/input/by-id/t-event-kbd").c_str(), 0600), 0);
  int err = 0;
  auto dev = platform::InputDevice::open("/dev/input/by-id/t-event-kbd", err);
  ASSERT_TRUE(dev) << err;
  EXPECT_TRUE(dev->grab(err)) << "a pipe needs no grab";
  platform::InputEvent ev;
  EXPECT_EQ(dev->next(ev, 10, err), platform::InputDevice::Result::Timeout);

  const int fd = ::open(host("/dev/input/by-id/t-event-kbd").c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::string records = platform::encodeInputEvent(platform::kEvKey, 88, 1) +
                              platform::encodeInputEvent(platform::kEvSyn, 0, 0) +
                              platform::encodeInputEvent(platform::kEvKey, 88, 0);
  // The last record arrives in two pieces.
  ASSERT_EQ(::write(fd, records.data(), records.size() - 3), static_cast<ssize_t>(records.size() - 3));
  const struct {
    uint16_t type, code;
    int32_t value;
  } expected[] = {{1, 88, 1}, {0, 0, 0}};
  for (const auto& e : expected) {
    ASSERT_EQ(dev->next(ev, 1000, err), platform::InputDevice::Result::Event);
    EXPECT_EQ(ev.type, e.type);
    EXPECT_EQ(ev.code, e.code);
    EXPECT_EQ(ev.value, e.value);
  }
  EXPECT_EQ(dev->next(ev, 20, err), platform::InputDevice::Result::Timeout) << "half a record is no event";
  ASSERT_EQ(::write(fd, records.data() + records.size() - 3, 3), 3);
  // The writer going away does not end a pipe that the reader holds open too.
  ::close(fd);
  ASSERT_EQ(dev->next(ev, 1000, err), platform::InputDevice::Result::Event);
  EXPECT_EQ(ev.code, 88);
  EXPECT_EQ(ev.value, 0);
  EXPECT_EQ(dev->next(ev, 20, err), platform::InputDevice::Result::Timeout);
}

TEST_F(InputSandbox, AMissingDeviceReportsItsError) {
  int err = 0;
  EXPECT_EQ(platform::InputDevice::open("/dev/input/by-id/none-event-kbd", err), nullptr);
  EXPECT_EQ(err, ENOENT);
}

TEST_F(InputSandbox, ServiceActionsRunTheirBoardCommands) {
  const struct {
    void (*action)();
    const char* command;
  } cases[] = {{[] { platform::grabScreenshot(); }, "/usr/bin/fbgrab /tmp/screen.png >/dev/null 2>&1 </dev/null"},
               {[] { platform::runMaintenanceShell(); }, "/opt/sshshell"},
               {platform::terminalNoEcho, "stty -echo"},
               {platform::terminalSane, "/bin/stty sane"},
               {platform::clearTerminal, "/usr/bin/tput clear"}};
  for (const auto& c : cases) {
    platform::clearCommandRecord();
    c.action();
    EXPECT_THAT(platform::commandRecord(), ::testing::ElementsAre(c.command));
  }
}

}  // namespace

// The device tree's soc/ranges of the three board generations, as the kernel
// exposes them (big-endian cells).
TEST(PeripheralBase, ComesFromTheDeviceTreeOfEachBoardGeneration) {
  // BCM2835: child 0x7E000000, parent 0x20000000, size.
  const unsigned char pi1[] = {0x7E, 0, 0, 0, 0x20, 0, 0, 0, 0x01, 0, 0, 0};
  EXPECT_EQ(platform::peripheralBaseFromRanges(pi1, sizeof pi1), 0x20000000u);
  // BCM2836/7: parent 0x3F000000.
  const unsigned char pi3[] = {0x7E, 0, 0, 0, 0x3F, 0, 0, 0, 0x01, 0, 0, 0};
  EXPECT_EQ(platform::peripheralBaseFromRanges(pi3, sizeof pi3), 0x3F000000u);
  // BCM2711: a two-cell parent address 0x0 0xFE000000 (once read as zero,
  // which put the GPIO block of a newer board at the BCM2837's address).
  const unsigned char pi4[] = {0x7E, 0, 0, 0, 0, 0, 0, 0, 0xFE, 0, 0, 0};
  EXPECT_EQ(platform::peripheralBaseFromRanges(pi4, sizeof pi4), 0xFE000000u);
  // Nothing readable: the BCM2836/7 base.
  EXPECT_EQ(platform::peripheralBaseFromRanges(pi4, 0), 0x3F000000u);
}
