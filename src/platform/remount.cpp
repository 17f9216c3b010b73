#include "platform/remount.h"

#include <cerrno>
#include <mutex>

#include "platform/board.h"
#include "platform/files.h"
#include "platform/log.h"

namespace {

// Several threads write under "/opt/set" (settings, tables, the temperature
// log). The folder is remounted writable by the first writer in and read-only
// by the last one out, so no thread's write is cut short by another's
// read-only remount.
std::mutex gBracketMutex;
int gWriters = 0;

}  // namespace

bool RemountSetRW() {
  std::lock_guard lock(gBracketMutex);
  if (gWriters > 0) {
    ++gWriters;
    return true;
  }
  if (platform::remountSettingsWritable() != 0) {
    platform::sysLog(platform::kErr, "can't mount rw /opt/set/ error %d", errno);
    return false;
  }
  ++gWriters;
  return true;
}

bool RemountSetRO() {
  std::lock_guard lock(gBracketMutex);
  if (gWriters > 1) {
    --gWriters;
    return true;
  }
  gWriters = 0;
  if (platform::remountSettingsReadOnly() == 0) return true;
  platform::sysLog(platform::kErr, "can't mount ro /opt/set/ error %d", errno);
  return false;
}

bool WriteSettingsFileNow(const std::string& systemPath, const std::string& content, int mode) {
  if (!RemountSetRW()) return false;
  const bool ok = platform::writeFileAtomic(systemPath, content, mode);
  const int error = errno;
  RemountSetRO();
  errno = error;
  return ok;
}
