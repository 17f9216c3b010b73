#pragma once
// File access by system path. In the sandbox the path is taken under the root,
// and a write under "/opt/set" while it is mounted read-only fails with EROFS,
// as it does on the board.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// fopen() of a system path.
FILE* openFile(const std::string& systemPath, const char* mode);

// A whole file, or why not. A file that exists but cannot be read (no
// permission, a folder in its place, an I/O error, fewer bytes than its size)
// is Failed, never Missing: a reader that took it for missing would fill in
// defaults and a later save would overwrite the user's table with them.
struct FileRead {
  enum class Status { Ok, Missing, Failed };
  Status status = Status::Missing;
  std::string bytes;  // the content when Ok
  int error = 0;      // errno when Failed
  bool ok() const { return status == Status::Ok; }
};
FileRead readWholeFile(const std::string& systemPath);
// Whole file as bytes, or nullopt (errno set) when it cannot be read.
std::optional<std::string> readFile(const std::string& systemPath);
// Replaces a file in one step: writes a temporary file beside it, flushes it to
// the disk and renames it over the old one, so a crash or power loss leaves the
// old file or the new one, never a torn one. False (errno set) on failure, with
// the old file untouched.
// `mode` is the new file's permission bits (0600 for a secret).
bool writeFileAtomic(const std::string& systemPath, const std::string& content, int mode = 0644);
bool fileExists(const std::string& systemPath);
// The temporary name writeFileAtomic uses for a file: one per file, so two
// files written one after the other never share one.
std::string temporaryPathFor(const std::string& systemPath);
// Temporary files a write cut short (power loss, crash) left in the folder
// `systemDir`, as system paths.
std::vector<std::string> staleTemporaries(const std::string& systemDir);

// Sandbox only: reads of `systemPath` fail with `error` (an I/O error, say)
// until cleared with error 0. Lets tests show that an unreadable table is not
// taken for a missing one.
void setSandboxReadError(const std::string& systemPath, int error);
// Creates the folders of a system path's parent (sandbox set-up and tests).
void makeParentDirs(const std::string& systemPath);

}  // namespace platform
