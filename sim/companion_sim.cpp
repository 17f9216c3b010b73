#include "companion_sim.h"

#include <cmath>
#include <cstdio>

namespace sim {
namespace {

constexpr size_t kSpectrumPoints = 1024;
constexpr size_t kMaxCommand = 64;

char digit(unsigned v) { return static_cast<char>('0' + (v & 0x0F)); }

std::string digits(uint32_t v, int count) {
  std::string out;
  for (int i = count - 1; i >= 0; --i) out += digit(v >> (4 * i));
  return out;
}

// The transceiver's own picture: a noise floor near -120 dB, a station at
// the centre, stronger while transmitting.
std::vector<uint8_t> ownSpectrum(bool tx, uint32_t& noise) {
  std::vector<uint8_t> s(kSpectrumPoints);
  for (size_t i = 0; i < kSpectrumPoints; ++i) {
    noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
    const double d = static_cast<double>(i) - kSpectrumPoints / 2.0;
    const double peak = (tx ? 70.0 : 40.0) * std::exp(-d * d / 18.0);
    s[i] = static_cast<uint8_t>(std::lround(72 + static_cast<double>(noise % 6) + peak));
  }
  return s;
}

}  // namespace

std::string CompanionMessage(int type, char flag, const std::string& payload) {
  std::string m;
  m += static_cast<char>(type);
  m += flag;
  for (int i = 0; i < 4; ++i) m += digit(static_cast<unsigned>(payload.size()) >> (4 * i));
  return m + payload;
}

std::string CompanionParamBlock(uint32_t hz, bool tx, int mode, int antenna, int offsetA, int offsetB, bool vfoB) {
  std::string b;
  b += static_cast<char>((tx ? 0x40 : 0) | (vfoB ? 0x30 : 0));  // the data is for the active VFO
  b += digits(hz, 8);
  b += static_cast<char>(0x80 | (mode & 0x0F));
  b += '\x40';                                           // volume selector 0, signs
  b += '\x43';                                           // squelch 3
  b += '\x80', b += '\x40';                              // bytes 12 and 13
  b += '\x30', b += '\x30';                              // noise reduction and blanker off
  b += '\x60', b += '\x60', b += '\x30', b += '\x60';    // bytes 16-19
  b += static_cast<char>(0x40 | ((antenna & 3) << 1));  // antenna
  b += static_cast<char>(211);                           // level 0
  b += static_cast<char>(30);                            // volume
  b += digits(static_cast<uint32_t>(offsetA), 3);
  b += digits(static_cast<uint32_t>(offsetB) & 0xFFFFF, 5);
  return b;
}

void CompanionSim::setFrequency(uint32_t hz) {
  std::lock_guard lock(mutex_);
  if (hz != hz_) dialMoved_ = true;
  hz_ = hz;
}

#define COMPANION_SETTER(name, type, stmt) \
  void CompanionSim::name(type v) {        \
    std::lock_guard lock(mutex_);          \
    stmt;                                  \
  }
COMPANION_SETTER(setTransmit, bool, (tx_ = v, dialMoved_ = true))
COMPANION_SETTER(setMode, CompanionMode, (mode_ = static_cast<int>(v), dialMoved_ = true))
COMPANION_SETTER(setVfoB, bool, (vfoB_ = v, dialMoved_ = true))
COMPANION_SETTER(setAntenna, int, (antenna_ = v, dialMoved_ = true))
COMPANION_SETTER(setSilent, bool, silent_ = v)
COMPANION_SETTER(setGarbage, bool, garbage_ = v)
COMPANION_SETTER(setSpectrum, std::vector<uint8_t>, spectrum_ = std::move(v))
#undef COMPANION_SETTER

void CompanionSim::setOffsets(int offsetA, int offsetB) {
  std::lock_guard lock(mutex_);
  offsetA_ = offsetA;
  offsetB_ = offsetB;
  dialMoved_ = true;
}

void CompanionSim::setIntervals(int parametersMs, int spectrumMs) {
  std::lock_guard lock(mutex_);
  paramsEveryMs_ = parametersMs;
  spectrumEveryMs_ = spectrumMs;
}

uint32_t CompanionSim::frequency() const {
  std::lock_guard lock(mutex_);
  return hz_;
}

bool CompanionSim::transmitting() const {
  std::lock_guard lock(mutex_);
  return tx_;
}

std::vector<std::string> CompanionSim::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

int64_t CompanionSim::lastDialMs() const {
  std::lock_guard lock(mutex_);
  return lastDialMs_;
}

std::string CompanionSim::describe() const {
  std::lock_guard lock(mutex_);
  char buf[200];
  std::snprintf(buf, sizeof buf, "companion: %u Hz, mode %d, VFO %c, tx %s, antenna %d%s%s, %llu parameter and %llu "
                "spectrum messages",
                hz_, mode_, vfoB_ ? 'B' : 'A', tx_ ? "on" : "off", antenna_, silent_ ? ", silent" : "",
                garbage_ ? ", garbage" : "", static_cast<unsigned long long>(params_.load()),
                static_cast<unsigned long long>(spectra_.load()));
  return buf;
}

void CompanionSim::onBytes(const uint8_t* data, size_t n) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < n; ++i) {
    pending_ += static_cast<char>(data[i]);
    if (data[i] == ';') {
      if (pending_ == "RX;") tx_ = false, dialMoved_ = true;
      if (pending_ == "TX2;") tx_ = true, dialMoved_ = true;
      commands_.push_back(pending_);
      pending_.clear();
    } else if (pending_.size() > kMaxCommand) {
      pending_.clear();
    }
  }
}

std::string CompanionSim::parameterMessage() const {
  return CompanionMessage(1, '1', CompanionParamBlock(hz_, tx_, mode_, antenna_, offsetA_, offsetB_, vfoB_));
}

std::string CompanionSim::spectrumMessage() {
  const std::vector<uint8_t> s = spectrum_.size() == kSpectrumPoints ? spectrum_ : ownSpectrum(tx_, noise_);
  return CompanionMessage(0, '0', std::string(s.begin(), s.end()));
}

// One of the ways a block goes wrong, in turn, wrapped in line noise.
std::string CompanionSim::garbageMessage() {
  noise_ ^= noise_ << 13, noise_ ^= noise_ >> 17, noise_ ^= noise_ << 5;
  std::string noise;
  for (int i = 0; i < 6; ++i) noise += static_cast<char>(0x20 + (noise_ >> (i * 4)) % 0xD0);
  std::string block = CompanionParamBlock(hz_ + 1000000, tx_, mode_, antenna_, offsetA_, offsetB_);
  switch (noise_ % 4) {
    case 0:  // length digits out of range
      return noise + std::string("\x01" "1@@0\x7f", 6) + block;
    case 1:  // frequency digits that are not digits
      block[3] = 'G';
      return noise + CompanionMessage(1, '1', block);
    case 2:  // longer than any block may be
      return noise + std::string("\x01" "1????", 6) + block;
    default:  // a spectrum cut to a quarter
      return noise + CompanionMessage(0, '0', std::string(kSpectrumPoints / 4, '\x50'));
  }
}

void CompanionSim::onTick(int64_t now) {
  std::string out;
  {
    std::lock_guard lock(mutex_);
    if (silent_) return;
    const bool paramsDue = (paramsEveryMs_ > 0 && now >= nextParamsMs_) || dialMoved_;
    const bool spectrumDue = spectrumEveryMs_ > 0 && now >= nextSpectrumMs_;
    if (garbage_) {
      if (paramsDue) out = garbageMessage();
    } else {
      if (paramsDue) {
        out += parameterMessage();
        ++params_;
        if (dialMoved_) lastDialMs_ = now;
      }
      if (spectrumDue) {
        out += spectrumMessage();
        ++spectra_;
      }
    }
    if (paramsDue) nextParamsMs_ = now + paramsEveryMs_, dialMoved_ = false;
    if (spectrumDue) nextSpectrumMs_ = now + spectrumEveryMs_;
  }
  if (!out.empty()) send(out.data(), out.size());
}

}  // namespace sim
