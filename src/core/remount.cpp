#include "core/remount.h"

#include <cerrno>

#include "platform/commands.h"
#include "platform/log.h"

bool RemountSetRW() {
  if (platform::runCommand("mount -o remount defaults,rw /opt/set") == 0) return true;
  platform::sysLog(platform::kErr, "can't mount rw /opt/set/ error %d", errno);
  return false;
}

bool RemountSetRO() {
  if (platform::runCommand("mount -v -n -o remount -r /opt/set") == 0) return true;
  platform::sysLog(platform::kErr, "can't mount ro /opt/set/ error %d", errno);
  return false;
}
