#include "front_panel.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cmath>

#include "platform/clock.h"

namespace sim {
namespace {

using platform::GpioReg;

constexpr int kDataGpio = 4, kClockGpio = 6;
constexpr uint32_t kDataBit = 1u << kDataGpio;
constexpr long kSampleUs = 40;
// The longest stretch from a sample to the answer to it that cannot let a
// reply bit arrive after the program has read it.
constexpr int64_t kLateUs = 150;

uint32_t buttonBit(int button) { return 1u << (platform::kFirstButtonGpio + button - 1); }

}  // namespace

uint8_t RailReading(double volts, char variant) {
  // CalvTensVadcAmp: V = reading x 3.3 x k / 255 / 18, k = 348 for the 120 W
  // model and 118 for the 60 W one (the divider in front of the panel's
  // 3.3 V, 8-bit converter). Solved for the reading and rounded to the
  // nearest step; the program shows it back within half a step (0.04 V or
  // 0.13 V).
  const double k = variant == '1' ? 348 : 118;
  const double reading = std::round(volts * 255 * 18 / (3.3 * k));
  return static_cast<uint8_t>(std::clamp(reading, 0.0, 255.0));
}

FrontPanel::FrontPanel(const std::string& root) { gpio_ = platform::mapGpioFile(root + "/dev/gpiomem", error_); }

FrontPanel::~FrontPanel() {
  stop();
  logToFile("");
}

void FrontPanel::start() {
  if (!gpio_ || running_.exchange(true)) return;
  thread_ = std::thread([this] { run(); });
}

void FrontPanel::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
}

void FrontPanel::press(int button) {
  if (gpio_ && button >= 1 && button <= 6) gpio_->fetchAnd(GpioReg::GPLEV0, ~buttonBit(button));
}

void FrontPanel::release(int button) {
  if (gpio_ && button >= 1 && button <= 6) gpio_->fetchOr(GpioReg::GPLEV0, buttonBit(button));
}

void FrontPanel::hold(int button, double seconds) {
  press(button);
  std::lock_guard lock(mutex_);
  holds_.emplace_back(button, platform::monotonicUs() + static_cast<int64_t>(seconds * 1e6));
}

bool FrontPanel::pressed(int button) const { return gpio_ && !(gpio_->read(GpioReg::GPLEV0) & buttonBit(button)); }

void FrontPanel::setVersion(uint8_t version) { version_ = version; }

void FrontPanel::setReading(Rail rail, uint8_t reading) { readings_[static_cast<int>(rail)] = reading; }

bool FrontPanel::outputHigh(int gpio) const { return (levelsSeen_.load() >> gpio) & 1u; }

std::vector<FrontPanel::Command> FrontPanel::commands() const {
  std::lock_guard lock(mutex_);
  return record_;
}

void FrontPanel::clearCommands() {
  std::lock_guard lock(mutex_);
  record_.clear();
}

bool FrontPanel::waitFor(const std::function<bool(const std::vector<Command>&)>& done, int timeoutMs) const {
  const int64_t end = platform::monotonicMs() + timeoutMs;
  while (true) {
    if (done(commands())) return true;
    if (platform::monotonicMs() >= end) return false;
    platform::sleepMs(5);
  }
}

void FrontPanel::logToFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (logFile_) std::fclose(logFile_);
  logFile_ = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
}

uint16_t FrontPanel::replyFor(uint8_t code) const {
  const int slot = code & 3;
  const uint8_t value = slot == 0 ? version_.load() : readings_[slot].load();
  return static_cast<uint16_t>((slot << 8) | value);
}

PanelWire::Lines FrontPanel::sample() {
  const uint32_t set = gpio_->read(GpioReg::GPSET0);
  const uint32_t clear = gpio_->read(GpioReg::GPCLR0);
  const uint32_t decided = set ^ clear;  // in exactly one of the two words
  levels_ = (levels_ & ~decided) | (set & decided);
  levelsSeen_ = levels_;
  PanelWire::Lines lines;
  lines.clock = (levels_ >> kClockGpio) & 1u;
  lines.data = (levels_ >> kDataGpio) & 1u;
  lines.dataIsOutput = gpio_->function(kDataGpio) == platform::kGpioOutput;
  return lines;
}

void FrontPanel::finished(const PanelWire::Exchange& exchange) {
  Command c;
  c.startUs = exchangeStartUs_;
  c.code = exchange.code;
  c.reply = exchange.reply;
  c.maxGapUs = maxGapUs_;
  c.garbled = exchange.garbled || lateInExchange_;
  ++exchanges_;
  if (c.garbled) ++garbled_;
  std::lock_guard lock(mutex_);
  record_.push_back(c);
  if (logFile_) {
    std::fprintf(logFile_, "%lld %02X %03X%s\n", static_cast<long long>(c.startUs / 1000), c.code, c.reply,
                 c.garbled ? " garbled" : "");
    std::fflush(logFile_);
  }
}

void FrontPanel::releaseDueHolds(int64_t nowUs) {
  std::lock_guard lock(mutex_);
  for (auto it = holds_.begin(); it != holds_.end();) {
    if (it->second <= nowUs) {
      release(it->first);
      it = holds_.erase(it);
    } else {
      ++it;
    }
  }
}

void FrontPanel::run() {
  // A real-time thread is woken on time even when the machine is busy; an
  // ordinary one can be held off for milliseconds and miss whole bits. Where
  // that is not allowed the panel still runs, only less surely.
  sched_param param{};
  param.sched_priority = 10;
  realtime_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
  PanelWire wire([this](uint8_t code) { return replyFor(code); },
                 [this](const PanelWire::Exchange& e) { finished(e); });
  bool driven = true;
  gpio_->fetchOr(GpioReg::GPLEV0, kDataBit);
  int64_t last = platform::monotonicUs();
  while (running_) {
    const int64_t now = platform::monotonicUs();
    const bool wasBusy = wire.busy();
    const bool drive = wire.feed(sample());
    if (!wasBusy && wire.busy()) {
      exchangeStartUs_ = now;
      maxGapUs_ = 0;
      lateInExchange_ = false;
    } else if (wasBusy) {
      maxGapUs_ = std::max(maxGapUs_, now - last);
    }
    last = now;
    if (drive != driven) {
      if (drive)
        gpio_->fetchOr(GpioReg::GPLEV0, kDataBit);
      else
        gpio_->fetchAnd(GpioReg::GPLEV0, ~kDataBit);
      driven = drive;
      if (platform::monotonicUs() - now > kLateUs) lateInExchange_ = true;
    }
    releaseDueHolds(now);
    // Sleeping, even inside an exchange: a thread that spins uses up its share
    // and is then held off for milliseconds on a busy machine, while one that
    // sleeps is woken on time.
    platform::sleepUs(kSampleUs);
  }
}

}  // namespace sim
