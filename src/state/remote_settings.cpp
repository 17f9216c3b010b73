#include "state/remote_settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/log.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

bool usable(const std::string& pass) {
  if (pass.empty() || pass.size() >= sizeof(Works::wsPassword)) return false;
  return std::all_of(pass.begin(), pass.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

void loadPassphrase(Works* w) {
  const std::optional<std::string> text = platform::readFile(kPassphrasePath);
  if (!text) return;
  std::string pass = text->substr(0, text->find_first_of("\r\n"));
  if (!usable(pass)) {
    platform::sysLog(kErr, "%s: not 1 to %zu printable characters, default passphrase kept", kPassphrasePath,
                     sizeof(Works::wsPassword) - 1);
    return;
  }
  std::snprintf(w->wsPassword, sizeof w->wsPassword, "%s", pass.c_str());
  platform::sysLog(kInfo, "passphrase taken from %s", kPassphrasePath);
}

}  // namespace

void LoadRemoteSettings(Works* w) {
  loadPassphrase(w);
  w->jpegQuality = std::clamp(std::atoi(w->setup->Quality), 0, 100);
}
