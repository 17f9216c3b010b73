#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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

}  // namespace

FILE* openFile(const std::string& systemPath, const char* mode) {
  if (writesTo(mode) && !writeAllowed(systemPath)) return nullptr;
  return std::fopen(hostPath(systemPath).c_str(), mode);
}

std::optional<std::string> readFile(const std::string& systemPath) {
  FILE* f = openFile(systemPath, "rb");
  if (!f) return std::nullopt;
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

bool writeFileAtomic(const std::string& systemPath, const std::string& content) {
  if (!writeAllowed(systemPath)) return false;
  std::string target = hostPath(systemPath);
  std::string temp = target + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
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
