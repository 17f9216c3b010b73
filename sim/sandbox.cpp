#include "sandbox.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace sim {
namespace {

// fonts-paratype's faces standing for "/opt/fonts/PTS55F_W.ttf" and "PTS75F_W.ttf".
const char* kParatypeDir = "/usr/share/fonts/truetype/paratype/";

void linkFont(const std::string& root, const char* from, const char* to) {
  std::error_code ec;
  fs::path link = fs::path(root) / "opt/fonts" / to;
  fs::remove(link, ec);
  fs::create_symlink(fs::path(kParatypeDir) / from, link, ec);
}

}  // namespace

bool makeSandbox(const std::string& root) {
  std::error_code ec;
  for (const char* dir : {"opt/set", "opt/fonts", "dev", "tmp", "var/log", "run/sim", "etc/network"})
    fs::create_directories(fs::path(root) / dir, ec);
  fs::path dejavu = fs::path(root) / "usr/share/fonts/truetype/dejavu";
  if (!fs::exists(dejavu)) {
    fs::create_directories(dejavu.parent_path(), ec);
    fs::create_directory_symlink("/usr/share/fonts/truetype/dejavu", dejavu, ec);
  }
  linkFont(root, "PTS55F.ttf", "PTS55F_W.ttf");
  linkFont(root, "PTS75F.ttf", "PTS75F_W.ttf");
  return fs::is_directory(fs::path(root) / "opt/set");
}

bool writeSandboxFile(const std::string& root, const std::string& systemPath, const std::string& content) {
  fs::path path = fs::path(root) / fs::path(systemPath).relative_path();
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return bool(out);
}

}  // namespace sim
