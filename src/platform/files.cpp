#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/board.h"
#include "platform/paths.h"

namespace platform {
namespace {

bool underOptSet(const std::string& systemPath) { return systemPath.rfind("/opt/set/", 0) == 0; }

bool writeAllowed(const std::string& systemPath) {
  if (!sandboxed() || !underOptSet(systemPath) || optSetWritable()) return true;
  errno = EROFS;
  return false;
}

bool writesTo(const char* mode) { return std::strpbrk(mode, "wa+") != nullptr; }

constexpr const char* kTempSuffix = ".tmp";

std::mutex gReadErrorMutex;
std::map<std::string, int> gReadErrors;

int injectedReadError(const std::string& systemPath) {
  if (!sandboxed()) return 0;
  std::lock_guard lock(gReadErrorMutex);
  auto it = gReadErrors.find(systemPath);
  return it == gReadErrors.end() ? 0 : it->second;
}

FileRead failed(int error) { return {FileRead::Status::Failed, {}, error}; }

// Reads to the end; a read error, or fewer bytes than the size the file had
// when opened, fails the whole read.
FileRead readOpen(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return failed(errno);
  if (S_ISDIR(st.st_mode)) return failed(EISDIR);
  std::string out;
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failed(errno);
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  if (S_ISREG(st.st_mode) && out.size() < static_cast<size_t>(st.st_size)) return failed(EIO);
  return {FileRead::Status::Ok, std::move(out), 0};
}

}  // namespace

FileRead readWholeFile(const std::string& systemPath) {
  if (int error = injectedReadError(systemPath)) return failed(error);
  int fd = ::open(hostPath(systemPath).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {FileRead::Status::Missing, {}, ENOENT};
    return failed(errno);
  }
  FileRead r = readOpen(fd);
  ::close(fd);
  return r;
}

void setSandboxReadError(const std::string& systemPath, int error) {
  std::lock_guard lock(gReadErrorMutex);
  if (error == 0)
    gReadErrors.erase(systemPath);
  else
    gReadErrors[systemPath] = error;
}

std::string temporaryPathFor(const std::string& systemPath) { return systemPath + kTempSuffix; }

std::vector<std::string> staleTemporaries(const std::string& systemDir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(hostPath(systemDir), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > std::strlen(kTempSuffix) && name.ends_with(kTempSuffix) && entry.is_regular_file(ec))
      out.push_back(systemDir + "/" + name);
  }
  return out;
}

FILE* openFile(const std::string& systemPath, const char* mode) {
  if (writesTo(mode) && !writeAllowed(systemPath)) return nullptr;
  return std::fopen(hostPath(systemPath).c_str(), mode);
}

std::optional<std::string> readFile(const std::string& systemPath) {
  FileRead r = readWholeFile(systemPath);
  if (!r.ok()) {
    errno = r.error;
    return std::nullopt;
  }
  return std::move(r.bytes);
}

bool writeFileAtomic(const std::string& systemPath, const std::string& content, int mode) {
  if (!writeAllowed(systemPath)) return false;
  std::string target = hostPath(systemPath);
  std::string temp = hostPath(temporaryPathFor(systemPath));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) return false;
  // A temporary left by an earlier try keeps its old bits: set them anew.
  ::fchmod(fd, static_cast<mode_t>(mode));
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int saved = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      errno = saved;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return false;
  }
  // Make the rename itself durable.
  std::string dir = std::filesystem::path(target).parent_path().string();
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool fileExists(const std::string& systemPath) { return ::access(hostPath(systemPath).c_str(), F_OK) == 0; }

void makeParentDirs(const std::string& systemPath) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(hostPath(systemPath)).parent_path(), ec);
}

}  // namespace platform
