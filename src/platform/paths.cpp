#include "platform/paths.h"

#include <filesystem>

namespace platform {
namespace {
std::string gRoot;  // set once before any thread starts
}

void setRoot(const std::string& dir) {
  if (dir.empty()) {
    gRoot.clear();
    return;
  }
  gRoot = std::filesystem::absolute(dir).lexically_normal().string();
  while (gRoot.size() > 1 && gRoot.back() == '/') gRoot.pop_back();
}

void makeSandboxLayout() {
  if (gRoot.empty()) return;
  std::error_code ec;
  for (const char* dir : {"/opt/set", "/opt/fonts", "/tmp", "/dev", "/etc/network", "/var/log", "/run/sim"})
    std::filesystem::create_directories(gRoot + dir, ec);
}

bool sandboxed() { return !gRoot.empty(); }

const std::string& rootDir() { return gRoot; }

std::string hostPath(std::string_view systemPath) {
  if (gRoot.empty() || systemPath.empty() || systemPath.front() != '/') return std::string(systemPath);
  // Resolve ".." before the root is put in front, so no path climbs out of it.
  return gRoot + std::filesystem::path(systemPath).lexically_normal().string();
}

}  // namespace platform
