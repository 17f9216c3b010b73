// The bench's "rx" commands: what the unit's simulated USB receiver hears.
// The receiver reads its feed file before every transfer, so a change is in
// the next spectrum.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench_commands.h"
#include "platform/usb_receiver.h"

namespace sim {
namespace {

constexpr double kMaxOffsetHz = platform::kReceiverSampleRate / 2.0;

std::string feedPath(const std::string& root) {
  return (std::filesystem::path(root) / std::filesystem::path(platform::kReceiverFeedPath).relative_path()).string();
}

std::string readFeed(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Replaced whole, so the receiver never reads half a file.
void writeFeed(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const std::string tmp = path + ".new";
  std::ofstream(tmp) << text;
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
}

// The feed without its lines of one kind.
std::string without(const std::string& text, const std::string& kind) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line))
    if (line.rfind(kind, 0) != 0) out += line + "\n";
  return out;
}

bool number(const std::string& s, double lo, double hi, double& out) {
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return !s.empty() && !*end && out >= lo && out <= hi;
}

}  // namespace

std::string BenchCommands::receiverCommand(const std::string& a, const std::string& b, const std::string& c) {
  const std::string path = feedPath(root_);
  const std::string feed = readFeed(path);
  double hz = 0, dbm = 0;
  if (a.empty()) return feed.empty() ? "receiver: plugged in, silent" : "receiver:\n" + feed;
  if (a == "tone") {
    if (!number(b, -kMaxOffsetHz, kMaxOffsetHz, hz) || !number(c, -160, 10, dbm))
      return "usage: rx tone HZ DBM (HZ -96000..96000 from the centre, DBM -160..10)";
    writeFeed(path, feed + "tone " + b + " " + c + "\n");
    return "ok: carrier " + b + " Hz from the centre at " + c + " dBm";
  }
  if (a == "noise") {
    if (!number(b, -160, 10, dbm)) return "usage: rx noise DBM (-160..10)";
    writeFeed(path, without(feed, "noise") + "noise " + b + "\n");
    return "ok: noise at " + b + " dBm";
  }
  if (a == "unplug") {
    writeFeed(path, without(feed, "unplugged") + "unplugged\n");
    return "ok: receiver unplugged";
  }
  if (a == "plug") {
    writeFeed(path, without(feed, "unplugged"));
    return "ok: receiver plugged in";
  }
  if (a == "clear") {
    writeFeed(path, feed.find("unplugged") == std::string::npos ? "" : "unplugged\n");
    return "ok: no carriers, no noise";
  }
  return "usage: rx [tone HZ DBM | noise DBM | unplug | plug | clear]";
}

}  // namespace sim
