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
// played, in 10 Hz steps from 100 Hz to 5 kHz. Only that half second is read
// and each step is a Goertzel filter: the file grows by 192 kB a second, and
// a slow measurement would hold up the unit it measures where the bench is
// emulated.
std::string describePlayed(const std::string& path) {
  constexpr size_t kHalf = kRate / 2;
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const auto size = in ? static_cast<size_t>(in.tellg()) : 0;
  const size_t frames = size / 4;
  char text[160];
  if (frames < kHalf) {
    std::snprintf(text, sizeof text, "played %.2f s, too little to measure", double(frames) / kRate);
    return text;
  }
  std::vector<int16_t> s(2 * kHalf);
  in.seekg(static_cast<std::streamoff>((frames - kHalf) * 4));
  in.read(reinterpret_cast<char*>(s.data()), static_cast<std::streamsize>(s.size() * 2));
  double best = -1, bestHz = 0, energy = 0;
  for (size_t i = 0; i < kHalf; ++i) energy += double(s[2 * i]) * s[2 * i];
  for (double hz = 100; hz <= 5000; hz += 10) {
    const double k = 2 * std::cos(2 * M_PI * hz / kRate);
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < kHalf; ++i) {
      const double s0 = s[2 * i] + k * s1 - s2;
      s2 = s1;
      s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    if (power > best) best = power, bestHz = hz;
  }
  std::snprintf(text, sizeof text, "played %.2f s; last half second: strongest %.0f Hz, level %.0f rms",
                double(frames) / kRate, bestHz, std::sqrt(energy / kHalf));
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
