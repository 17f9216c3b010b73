// Replays a fuzz target's seed corpus (every file under the folders given) and a
// fixed set of generated inputs, so the normal build exercises each parser
// entry point without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void runOne(const std::vector<uint8_t>& bytes) {
  LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
}

int main(int argc, char** argv) {
  size_t files = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (!std::filesystem::is_directory(argv[i], ec)) continue;
    for (auto& entry : std::filesystem::recursive_directory_iterator(argv[i])) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      runOne({std::istreambuf_iterator<char>(in), {}});
      ++files;
    }
  }
  // Random and truncated inputs with a fixed seed: repeatable in CI.
  std::mt19937 rng(12345);
  for (int n = 0; n < 2000; ++n) {
    std::vector<uint8_t> bytes(rng() % 700);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng() % 3 ? 32 + rng() % 95 : rng());
    runOne(bytes);
  }
  runOne({});
  std::printf("replayed %zu corpus files and 2001 generated inputs\n", files);
  return 0;
}
