#include "state/remote_settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/log.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

// Why `pass` cannot be a passphrase, or null when it can.
const char* problemOf(const std::string& pass) {
  if (pass.empty()) return "passphrase file empty";
  if (pass.size() >= sizeof(Works::wsPassword)) return "passphrase longer than 64 characters";
  if (!std::all_of(pass.begin(), pass.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
    return "passphrase not printable ASCII";
  return nullptr;
}

void refuse(Works* w, const char* problem) {
  w->passphraseSource = kPassphraseUnusable;
  w->passphraseProblem = problem;
  // Nobody may get in with the old text either.
  std::memset(w->wsPassword, 0, sizeof w->wsPassword);
  platform::sysLog(kErr, "%s: %s; remote operation off until it is mended", kPassphrasePath, problem);
}

void loadPassphrase(Works* w) {
  w->passphraseProblem = nullptr;
  const platform::FileRead read = platform::readWholeFile(kPassphrasePath);
  if (read.status == platform::FileRead::Status::Missing) {
    w->passphraseSource = kPassphraseDefault;
    std::snprintf(w->wsPassword, sizeof w->wsPassword, "%s", kWsPassword);
    platform::sysLog(kInfo, "no %s: the shared default passphrase is in use", kPassphrasePath);
    return;
  }
  if (read.status != platform::FileRead::Status::Ok) {
    refuse(w, "passphrase file unreadable");
    return;
  }
  const std::string pass = read.bytes.substr(0, read.bytes.find_first_of("\r\n"));
  if (const char* problem = problemOf(pass)) {
    refuse(w, problem);
    return;
  }
  std::snprintf(w->wsPassword, sizeof w->wsPassword, "%s", pass.c_str());
  w->passphraseSource = kPassphraseOwner;
  platform::sysLog(kInfo, "passphrase taken from %s", kPassphrasePath);
}

}  // namespace

std::string PassphraseSummary(const Works* w) {
  switch (w->passphraseSource.load()) {
    case kPassphraseOwner:
      return "Passphrase: owner's own";
    case kPassphraseUnusable: {
      const char* problem = w->passphraseProblem.load();
      return std::string("Remote off: ") + (problem ? problem : "passphrase file unusable");
    }
    default:
      return "Passphrase: shared default";
  }
}

void LoadRemoteSettings(Works* w) {
  loadPassphrase(w);
  w->jpegQuality = std::clamp(std::atoi(w->setup->Quality), 0, 100);
}
