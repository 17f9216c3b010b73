#include "display/gpio_thread.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "state/globals.h"
#include "state/works.h"
#include "display/button_panel.h"
#include "display/key_handler.h"
#include "display/tiny_link.h"
#include "platform/clock.h"
#include "platform/gpio.h"
#include "platform/log.h"

using platform::GpioBlock;
using platform::GpioReg;

namespace {

constexpr int kDataGpio = 4, kClockGpio = 6, kUpdateGpio = 13, kAlwaysHighGpio = 16;
constexpr long kPollMs = 2;
// GPPUD value that selects the pull-ups.
constexpr uint32_t kPullUp = 2;

// The outputs, through two shadow words: the bits last written to GPSET0 and to
// GPCLR0. Every change writes both, so the whole output state is asserted each
// time and a pin never stays in a state nobody asked for.
class PanelLines : public TinyWire {
 public:
  explicit PanelLines(GpioBlock& gpio) : gpio_(gpio) {}

  void drive(int pin, bool high) {
    const uint32_t bit = 1u << pin;
    if (high) {
      set_ |= bit;
      clear_ &= ~bit;
    } else {
      clear_ |= bit;
      set_ &= ~bit;
    }
    gpio_.write(GpioReg::GPSET0, set_);
    gpio_.write(GpioReg::GPCLR0, clear_);
  }

  void setClock(bool high) override { drive(kClockGpio, high); }
  void setData(bool high) override { drive(kDataGpio, high); }
  void dataAsInput(bool input) override {
    gpio_.setFunction(kDataGpio, input ? platform::kGpioInput : platform::kGpioOutput);
  }
  bool readData() override { return (gpio_.read(GpioReg::GPLEV0) >> kDataGpio) & 1u; }
  void waitUs(long us) override { platform::sleepUs(us); }

 private:
  GpioBlock& gpio_;
  uint32_t set_ = 0, clear_ = 0;
};

class ThreadEvents : public ButtonPanel::Events {
 public:
  explicit ThreadEvents(Works* w) : w_(w) {}
  double now() override { return platform::monotonicSeconds(); }
  int key(int button, int longFlags) override {
    const KeyHandler handler = GetKeyHandler();
    return handler ? handler(w_, button, longFlags) : 0;
  }
  void hint() override { w_->hintFlags.fetch_or(1); }

 private:
  Works* w_;
};

// Without the register block the panel is dead and the amplifier cannot be
// operated: the process ends, and the system restarts it. _Exit, because the
// other threads are running and must not see the statics destroyed under them.
[[noreturn]] void endProcess(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

std::unique_ptr<GpioBlock> mapOrEnd() {
  std::string error;
  GpioBlock::Failure failure{};
  auto gpio = platform::mapGpioRegisters(error, &failure);
  if (gpio) return gpio;
  const int err = errno;
  platform::errPrintf("%s\n", error.c_str());
  if (failure == GpioBlock::Failure::Map) {
    platform::sysLog(platform::kErr, "mmap error %d\n", err);
    endProcess(-1);
  }
  platform::sysLog(platform::kErr, "can't open /dev/mem");
  endProcess(8);
}

void setUp(GpioBlock& gpio, PanelLines& lines) {
  for (int pin : {kDataGpio, kClockGpio, kAlwaysHighGpio, kUpdateGpio}) gpio.setFunction(pin, platform::kGpioOutput);
  lines.drive(kUpdateGpio, true);
  // The exchange lines idle high, as every exchange leaves them.
  lines.drive(kClockGpio, true);
  lines.drive(kDataGpio, true);
  for (int b = 0; b < ButtonPanel::kButtons; ++b)
    gpio.setFunction(platform::kFirstButtonGpio + b, platform::kGpioInput);
  // The pull-up sequence: control, then clock it into the button pins, then
  // release both. The chip wants 150 cycles between the steps.
  gpio.write(GpioReg::GPPUD, kPullUp);
  platform::sleepUs(5);
  gpio.write(GpioReg::GPPUDCLK0, platform::kButtonLevelBits);
  platform::sleepUs(5);
  gpio.write(GpioReg::GPPUD, 0);
  gpio.write(GpioReg::GPPUDCLK0, 0);
}

}  // namespace

void GPIO(Works* w) {
  platform::sysLog(platform::kInfo, "GPIO operations start\n");
  std::unique_ptr<GpioBlock> gpio = mapOrEnd();
  PanelLines lines(*gpio);
  setUp(*gpio, lines);
  platform::sysLog(platform::kInfo, "GPIO loop start\n");

  ThreadEvents events(w);
  ButtonPanel buttons(events);
  while (w->running != 0) {
    lines.drive(kAlwaysHighGpio, true);
    lines.drive(kUpdateGpio, !(w->fwUpdateMode & 1));
    ScheduleTinyExchange(w);
    RunTinyExchange(w, lines);
    const uint32_t levels = gpio->read(GpioReg::GPLEV0);
    // A soft button held on the touch panel reads as its front-panel button
    // pressed: one debounce, one timing, one key path for both.
    const uint32_t released = (levels >> platform::kFirstButtonGpio) & ~static_cast<uint32_t>(w->touchHeld);
    buttons.poll(released, TIME_LONG_PRESS);
    platform::sleepMs(kPollMs);
  }
  platform::sysLog(platform::kInfo, "GPIO operations end\n");
}
