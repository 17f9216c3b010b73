// The bench's "audio" commands: a tone into the unit's simulated microphone,
// and what the unit has played into its playback file.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bench_commands.h"
#include "platform/pcm.h"
#include "sim_microphone.h"

namespace sim {
namespace {

constexpr int kRate = 48000;

std::string simFile(const std::string& root, const char* systemPath) {
  return (std::filesystem::path(root) / std::filesystem::path(systemPath).relative_path()).string();
}

// The strongest frequency of the left channel over the last half second
// played, by a direct DFT in 10 Hz steps from 100 Hz to 5 kHz.
std::string describePlayed(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t frames = bytes.size() / 4;
  char text[160];
  if (frames < static_cast<size_t>(kRate / 2)) {
    std::snprintf(text, sizeof text, "played %.2f s, too little to measure", double(frames) / kRate);
    return text;
  }
  const auto* s = reinterpret_cast<const int16_t*>(bytes.data());
  const size_t from = frames - kRate / 2;
  double best = -1, bestHz = 0, energy = 0;
  for (size_t i = from; i < frames; ++i) energy += double(s[2 * i]) * s[2 * i];
  for (double hz = 100; hz <= 5000; hz += 10) {
    double re = 0, im = 0;
    for (size_t i = from; i < frames; ++i) {
      re += s[2 * i] * std::cos(2 * M_PI * hz * i / kRate);
      im += s[2 * i] * std::sin(2 * M_PI * hz * i / kRate);
    }
    if (re * re + im * im > best) best = re * re + im * im, bestHz = hz;
  }
  std::snprintf(text, sizeof text, "played %.2f s; last half second: strongest %.0f Hz, level %.0f rms",
                double(frames) / kRate, bestHz, std::sqrt(energy / (kRate / 2)));
  return text;
}

}  // namespace

std::string BenchCommands::audioCommand(const std::string& a, const std::string& b, const std::string& c) {
  if (a.empty()) return describePlayed(simFile(root_, platform::kSimAudioOut));
  if (a == "tone") {
    char* end = nullptr;
    const double hz = std::strtod(b.c_str(), &end);
    if (b.empty() || *end || !(hz > 0) || hz > 20000) return "usage: audio tone HZ [SECONDS]";
    double seconds = 3;
    if (!c.empty()) {
      seconds = std::strtod(c.c_str(), &end);
      if (*end || !(seconds > 0) || seconds > 60) return "usage: audio tone HZ [SECONDS] (up to 60 s)";
    }
    if (!microphone_) return "no simulated microphone: start the bench with --serve or --client-of";
    microphone_->playTone(hz, seconds);
    return "ok";
  }
  return "usage: audio [tone HZ [SECONDS]]";
}

}  // namespace sim
