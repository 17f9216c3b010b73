#pragma once
// File access by system path. In the sandbox the path is taken under the root,
// and a write under "/opt/set" while it is mounted read-only fails with EROFS,
// as it does on the board.
#include <cstdio>
#include <optional>
#include <string>

namespace platform {

// fopen() of a system path.
FILE* openFile(const std::string& systemPath, const char* mode);
// Whole file as bytes, or nullopt (errno set) when it cannot be read.
std::optional<std::string> readFile(const std::string& systemPath);
// Replaces a file in one step: writes a temporary file beside it, flushes it to
// the disk and renames it over the old one, so a crash or power loss leaves the
// old file or the new one, never a torn one. False (errno set) on failure, with
// the old file untouched.
bool writeFileAtomic(const std::string& systemPath, const std::string& content);
bool fileExists(const std::string& systemPath);
// Creates the folders of a system path's parent (sandbox set-up and tests).
void makeParentDirs(const std::string& systemPath);

}  // namespace platform
