#pragma once
// Maps the absolute paths the system names ("/opt/set/setup.txt", "/dev/fb0",
// "/tmp/screen.png", ...) to the host. On the board they are used as they are;
// with `hfamp --root DIR` (the sandbox) every absolute path lives under DIR.
#include <string>
#include <string_view>

namespace platform {

// Selects the sandbox rooted at `dir` (made absolute); an empty dir selects the board.
void setRoot(const std::string& dir);
// True when running in the sandbox profile.
bool sandboxed();
// The sandbox root, or "" on the board.
const std::string& rootDir();
// Sandbox: creates the folders the system expects to exist on the board
// ("/opt/set", "/tmp", "/dev", "/etc/network", "/var/log").
void makeSandboxLayout();
// The host path for a system path. Relative paths are left alone.
std::string hostPath(std::string_view systemPath);

}  // namespace platform
