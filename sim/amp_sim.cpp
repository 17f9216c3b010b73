#include "amp_sim.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

#include "amp/crc8.h"
#include "platform/clock.h"

namespace sim {
namespace {

constexpr size_t kMaxCommand = 64;     // longest command is 21 bytes with its checksum
constexpr size_t kMaxRecord = 200000;  // entries kept before the oldest half is dropped

bool checksumHolds(const std::string& frame) {
  if (frame.size() < 3 || !std::isxdigit(static_cast<unsigned char>(frame[0])) ||
      !std::isxdigit(static_cast<unsigned char>(frame[1])))
    return false;
  unsigned sent = std::stoul(frame.substr(0, 2), nullptr, 16);
  return sent == Sys_Crc8Calculation(frame.data() + 2, frame.size() - 2);
}

}  // namespace

AmpSim::AmpSim() = default;

AmpSim::~AmpSim() {
  stop();
  logToFile("");
}

int64_t AmpSim::nowMs() const { return platform::monotonicMs() - startMs_; }

void AmpSim::start() {
  if (running_.exchange(true)) return;
  startMs_ = platform::monotonicMs();
  thread_ = std::thread(&AmpSim::run, this);
}

void AmpSim::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
}

void AmpSim::run() {
  int64_t last = platform::monotonicMs();
  char buf[256];
  while (running_) {
    pollfd pfd{pty_.master(), POLLIN, 0};
    if (::poll(&pfd, 1, 2) > 0 && (pfd.revents & POLLIN)) {
      ssize_t n = ::read(pty_.master(), buf, sizeof buf);
      if (n > 0) onBytes(buf, static_cast<size_t>(n));
    }
    flushDue();
    int64_t now = platform::monotonicMs();
    if (now - last >= 50) {
      std::lock_guard lock(mutex_);
      model_.advance((now - last) / 1000.0);
      last = now;
    }
  }
}

void AmpSim::onBytes(const char* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    pending_ += data[i];
    if (data[i] == ';') {
      std::string frame;
      frame.swap(pending_);
      onFrame(frame);
    } else if (pending_.size() > kMaxCommand) {
      ++badFrames_;
      pending_.clear();
    }
  }
}

void AmpSim::onFrame(const std::string& frame) {
  bool good = checksumHolds(frame);
  std::string text = frame.size() >= 2 ? frame.substr(2) : frame;
  std::string answer;
  {
    std::lock_guard lock(mutex_);
    if (record_.size() >= kMaxRecord) record_.erase(record_.begin(), record_.begin() + kMaxRecord / 2);
    record_.push_back({nowMs(), text, good});
    if (logFile_) {
      std::fprintf(logFile_, "%lld %s%s\n", static_cast<long long>(record_.back().ms), text.c_str(),
                   good ? "" : " (bad checksum)");
      std::fflush(logFile_);
    }
    if (!good) {
      ++badFrames_;
      return;  // a corrupted command is ignored, as the firmware does
    }
    if (silent_) return;
    if (ignoreCount_ > 0 && text.rfind(ignorePrefix_, 0) == 0) {
      --ignoreCount_;
      return;
    }
    answer = reject_ ? text.substr(0, 2) + "?;" : model_.handle(text);
  }
  if (!answer.empty()) reply(answer);
}

void AmpSim::reply(const std::string& text) {
  bool garbage, badSum;
  {
    std::lock_guard lock(mutex_);
    garbage = garbage_;
    badSum = badChecksum_;
  }
  std::string out;
  if (garbage) {
    for (int i = 0; i < 7; ++i) {
      noise_ = noise_ * 1103515245 + 12345;
      char c = static_cast<char>(33 + (noise_ >> 16) % 90);
      out += c == ';' ? '#' : c;
    }
  }
  uint8_t sum = Sys_Crc8Calculation(text.data(), text.size());
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", badSum ? static_cast<uint8_t>(sum ^ 0x5A) : sum);
  out += digits;
  out += text;
  {
    std::lock_guard lock(mutex_);
    if (logFile_) {
      // Replies go in the log as sent, "ms < bytes", so a run can be replayed.
      std::fprintf(logFile_, "%lld < %s\n", static_cast<long long>(nowMs()), out.c_str());
      std::fflush(logFile_);
    }
  }
  int64_t dueMs = nowMs();
  bool split, cut;
  std::string stale;
  {
    std::lock_guard lock(mutex_);
    if (staleCount_ > 0) {
      --staleCount_;
      stale = lastOut_;
    }
    lastOut_ = out;
    if (lateCount_ > 0) {
      --lateCount_;
      dueMs += lateMs_;
    }
    // A reply never overtakes one still waiting to go out.
    if (!due_.empty()) dueMs = std::max(dueMs, due_.back().first);
    split = split_;
    cut = cutCount_ > 0;
    if (cut) --cutCount_;
  }
  ++replies_;
  if (!stale.empty()) schedule(dueMs, stale);
  if (cut) out.resize(out.size() / 2);
  if (split && out.size() > 1) {
    const size_t half = out.size() / 2;
    schedule(dueMs, out.substr(0, half));
    schedule(dueMs + 25, out.substr(half));
  } else {
    schedule(dueMs, out);
  }
  flushDue();
}

void AmpSim::schedule(int64_t dueMs, std::string bytes) {
  std::lock_guard lock(mutex_);
  due_.emplace_back(dueMs, std::move(bytes));
}

void AmpSim::flushDue() {
  std::vector<std::string> ready;
  {
    std::lock_guard lock(mutex_);
    const int64_t now = nowMs();
    size_t n = 0;
    while (n < due_.size() && due_[n].first <= now) ready.push_back(std::move(due_[n++].second));
    due_.erase(due_.begin(), due_.begin() + static_cast<std::ptrdiff_t>(n));
  }
  for (const std::string& bytes : ready) writeOut(bytes);
}

void AmpSim::writeOut(const std::string& out) {
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::write(pty_.master(), out.data() + done, out.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

void AmpSim::delayReplies(int ms, int count) {
  std::lock_guard lock(mutex_);
  lateMs_ = std::max(0, ms);
  lateCount_ = std::max(0, count);
}

void AmpSim::staleReplies(int count) {
  std::lock_guard lock(mutex_);
  staleCount_ = std::max(0, count);
}

void AmpSim::ignoreCommands(const std::string& prefix, int count) {
  std::lock_guard lock(mutex_);
  ignorePrefix_ = prefix;
  ignoreCount_ = std::max(0, count);
}

void AmpSim::cutReplies(int count) {
  std::lock_guard lock(mutex_);
  cutCount_ = std::max(0, count);
}

#define SIM_SETTER(name, type, stmt) \
  void AmpSim::name(type v) {        \
    std::lock_guard lock(mutex_);    \
    stmt;                            \
  }
SIM_SETTER(setDrive, float, model_.driveW = v)
SIM_SETTER(setTransmit, bool, model_.transmitting = v)
SIM_SETTER(setFrequency, uint32_t, model_.rigFreq = v)
SIM_SETTER(setAmbient, float, model_.ambientC = v)
SIM_SETTER(setSilent, bool, silent_ = v)
SIM_SETTER(setGarbage, bool, garbage_ = v)
SIM_SETTER(setBadChecksum, bool, badChecksum_ = v)
SIM_SETTER(setReject, bool, reject_ = v)
SIM_SETTER(setSplit, bool, split_ = v)
SIM_SETTER(setHighSwr, bool, model_.forceHighSwr = v)
SIM_SETTER(setBandFault, bool, model_.forceBandFault = v)
SIM_SETTER(trip, uint8_t, model_.trips |= v)
#undef SIM_SETTER

void AmpSim::setAntennaSwr(int antenna, float swr) {
  // The resistive load above 50 ohm that has this SWR.
  if (auto load = LoadModel::Fixed(50.0 * std::max(1.0f, swr), 0)) setAntennaLoad(antenna, *load);
}

void AmpSim::setAntennaLoad(int antenna, const LoadModel& load) {
  std::lock_guard lock(mutex_);
  if (antenna >= 0 && antenna < 3) model_.antennaLoad[antenna] = load;
}

void AmpSim::setIdentity(int type, char variant, const std::string& version) {
  std::lock_guard lock(mutex_);
  model_.type = type;
  model_.variant = variant;
  model_.version = (version + "       ").substr(0, 7);
}

void AmpSim::setCalibration(float kIn, float kFwd, float kRefl, float kReflCorr) {
  std::lock_guard lock(mutex_);
  model_.kIn = kIn;
  model_.kFwd = kFwd;
  model_.kRefl = kRefl;
  model_.kReflCorr = kReflCorr;
}

void AmpSim::setSensorRaw(int sensor, int raw) {
  std::lock_guard lock(mutex_);
  if (sensor >= 1 && sensor <= 2) model_.forcedRaw[sensor - 1] = raw < 0 ? -1 : std::min(raw, 9999);
}

void AmpSim::resetMicro() {
  std::lock_guard lock(mutex_);
  model_.powerOnReset();
}

std::vector<AmpSim::Received> AmpSim::received() const {
  std::lock_guard lock(mutex_);
  return record_;
}

void AmpSim::clearReceived() {
  std::lock_guard lock(mutex_);
  record_.clear();
}

std::vector<std::string> AmpSim::texts(size_t from) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (size_t i = from; i < record_.size(); ++i) out.push_back(record_[i].text);
  return out;
}

bool AmpSim::waitFor(const std::function<bool(const std::vector<Received>&)>& done, int timeoutMs) const {
  int64_t end = platform::monotonicMs() + timeoutMs;
  while (true) {
    if (done(received())) return true;
    if (platform::monotonicMs() >= end) return false;
    platform::sleepMs(5);
  }
}

void AmpSim::logToFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (logFile_) std::fclose(logFile_);
  logFile_ = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
}

AmpModel AmpSim::model() const {
  std::lock_guard lock(mutex_);
  return model_;
}

}  // namespace sim
