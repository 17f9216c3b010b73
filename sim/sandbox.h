#pragma once
// Lays out a sandbox root for `hfamp --root DIR`: the folders the system names,
// the fonts where the program looks for them, and the display file.
#include <string>

namespace sim {

// Creates DIR/opt/set, DIR/dev, DIR/tmp, DIR/var/log, DIR/run/sim and links the
// two "/opt/fonts" faces to their stand-ins from fonts-paratype.
bool makeSandbox(const std::string& root);
// Writes a file under the root (system path), creating its folders.
bool writeSandboxFile(const std::string& root, const std::string& systemPath, const std::string& content);

}  // namespace sim
