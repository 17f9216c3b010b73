#include "ft817_sim.h"

#include <cstdio>

namespace sim {
namespace {

constexpr size_t kEepromSize = 0x2000;
constexpr size_t kMaxCommand = 64;

uint8_t bcd(unsigned v) { return static_cast<uint8_t>(((v / 10) % 10) << 4 | (v % 10)); }
unsigned fromBcd(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

}  // namespace

Ft817Sim::Ft817Sim() : eeprom_(kEepromSize, 0) {}

void Ft817Sim::setFrequency(uint32_t hz) {
  std::lock_guard lock(mutex_);
  hz_ = hz / 10 * 10;
}

void Ft817Sim::setMode(Ft817Mode mode) {
  std::lock_guard lock(mutex_);
  mode_ = static_cast<uint8_t>(mode);
}

void Ft817Sim::setTransmit(bool on) {
  std::lock_guard lock(mutex_);
  tx_ = on;
}

void Ft817Sim::setSilent(bool on) {
  std::lock_guard lock(mutex_);
  silent_ = on;
}

void Ft817Sim::setGarbage(bool on) {
  std::lock_guard lock(mutex_);
  garbage_ = on;
}

void Ft817Sim::addStrayByte() {
  std::lock_guard lock(mutex_);
  stray_ = true;
}

uint32_t Ft817Sim::frequency() const {
  std::lock_guard lock(mutex_);
  return hz_;
}

std::vector<uint8_t> Ft817Sim::opcodes() const {
  std::lock_guard lock(mutex_);
  return opcodes_;
}

std::string Ft817Sim::describe() const {
  std::lock_guard lock(mutex_);
  char buf[160];
  std::snprintf(buf, sizeof buf, "FT-817: %u Hz, mode 0x%02X, tx %s%s%s, %llu frequency reads", hz_, mode_,
                tx_ ? "on" : "off", silent_ ? ", silent" : "", garbage_ ? ", garbage" : "",
                static_cast<unsigned long long>(reads_.load()));
  return buf;
}

void Ft817Sim::onBytes(const uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    pending_[filled_++] = data[i];
    if (filled_ < 5) continue;
    filled_ = 0;
    command(pending_);
  }
}

// Tens of hertz, eight BCD digits, most significant first; then the mode.
std::vector<uint8_t> Ft817Sim::frequencyReply() const {
  const uint32_t tens = hz_ / 10;
  std::vector<uint8_t> r = {bcd(tens / 1000000), bcd(tens / 10000), bcd(tens / 100), bcd(tens), mode_};
  if (garbage_) r[1] = static_cast<uint8_t>(r[1] | 0x0A);  // a nibble above 9
  return r;
}

void Ft817Sim::command(const uint8_t c[5]) {
  std::vector<uint8_t> reply;
  {
    std::lock_guard lock(mutex_);
    opcodes_.push_back(c[4]);
    switch (c[4]) {
      case 0x03:
        reply = frequencyReply();
        ++reads_;
        break;
      case 0x01:
        hz_ = (fromBcd(c[0]) * 1000000 + fromBcd(c[1]) * 10000 + fromBcd(c[2]) * 100 + fromBcd(c[3])) * 10;
        break;
      case 0x07:
        mode_ = c[0];
        break;
      case 0x08:
      case 0x88:
        tx_ = c[4] == 0x08;
        break;
      case 0xBB: {
        const size_t addr = (static_cast<size_t>(c[0]) << 8 | c[1]) % kEepromSize;
        reply = {eeprom_[addr], eeprom_[(addr + 1) % kEepromSize]};
        break;
      }
      case 0xF7:
        // Bit 7 low while the PTT is on, the power meter in the low nibble.
        reply = {static_cast<uint8_t>(tx_ ? 0x08 : 0xFF)};
        break;
      case 0xE7:
        // Squelch open, S5.
        reply = {0x05};
        break;
      default:
        break;
    }
    if (silent_) reply.clear();
    if (stray_ && !reply.empty()) {
      reply.insert(reply.begin(), 0x01);  // reads as BCD, like most noise would not
      stray_ = false;
    }
  }
  if (!reply.empty()) send(reply.data(), reply.size());
}

void CompanionCatSim::setFrequency(uint32_t hz) {
  std::lock_guard lock(mutex_);
  hz_ = hz;
}

std::vector<std::string> CompanionCatSim::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void CompanionCatSim::onBytes(const uint8_t* data, size_t n) {
  std::string out;
  {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < n; ++i) {
      pending_ += static_cast<char>(data[i]);
      if (data[i] != ';') {
        if (pending_.size() > kMaxCommand) pending_.clear();
        continue;
      }
      received_.push_back(pending_);
      if (pending_ == "DT;") out += "DT001;";
      if (pending_ == "FA;") {
        char fa[24];
        std::snprintf(fa, sizeof fa, "FA%011u;", hz_);
        out += fa;
      }
      pending_.clear();
    }
  }
  if (!out.empty()) send(out.data(), out.size());
}

}  // namespace sim
