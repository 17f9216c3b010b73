#include "remote/pairing.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <cerrno>
#include <cstdio>

#include "platform/log.h"
#include "platform/remount.h"
#include "platform/serial.h"
#include "state/remote_settings.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

bool windowOpen(const Works* w, int64_t now) { return w->pairingCode >= 0 && now < w->pairingUntilMs; }

void endWindow(Works* w) {
  w->pairingCode = -1;
  w->pairingUntilMs = 0;
  w->pairingWrong = 0;
}

int newCode() {
  uint32_t r = 0;
  if (RAND_bytes(reinterpret_cast<unsigned char*>(&r), sizeof r) != 1) return -1;
  return static_cast<int>(r % 1000000);
}

bool usable(std::string_view pass) {
  if (pass.empty() || pass.size() >= sizeof(Works::wsPassword)) return false;
  for (char c : pass)
    if (c < 0x20 || c >= 0x7F) return false;
  return true;
}

bool store(std::string_view pass) {
  if (WriteSettingsFileNow(kPassphrasePath, std::string(pass) + "\n", 0600)) return true;
  platform::sysLog(kErr, "owner passphrase not stored: %s", platform::errorText(errno).c_str());
  return false;
}

}  // namespace

Pairing RequestPairing(Works* w, int64_t now) {
  if (w->passphraseSource != kPassphraseDefault) return Pairing::OwnerAlreadySet;
  if (!windowOpen(w, now)) {
    const int code = newCode();
    if (code < 0) return Pairing::NotOpen;
    w->pairingWrong = 0;
    w->pairingUntilMs = now + kPairingWindowMs;
    w->pairingCode = code;
    platform::sysLog(kInfo, "browser pairing: code shown on the screen for %d s", kPairingWindowMs / 1000);
  }
  return Pairing::Shown;
}

Pairing CompletePairing(Works* w, std::string_view code, std::string_view pass, int64_t now) {
  if (w->passphraseSource != kPassphraseDefault) return Pairing::OwnerAlreadySet;
  if (!windowOpen(w, now)) {
    endWindow(w);
    return Pairing::NotOpen;
  }
  char expected[8];
  std::snprintf(expected, sizeof expected, "%06d", w->pairingCode.load());
  const bool same = code.size() == 6 && CRYPTO_memcmp(expected, code.data(), 6) == 0;
  if (!same) {
    if (++w->pairingWrong >= kPairingWrongAllowed) {
      endWindow(w);
      platform::sysLog(kErr, "browser pairing: %d wrong codes, window ended", kPairingWrongAllowed);
      return Pairing::WindowEnded;
    }
    return Pairing::WrongCode;
  }
  if (!usable(pass)) return Pairing::BadPassphrase;  // the code stays good for a better one
  endWindow(w);  // used once, whatever follows
  if (!store(pass)) return Pairing::NotStored;
  std::snprintf(w->wsPassword, sizeof w->wsPassword, "%.*s", static_cast<int>(pass.size()), pass.data());
  w->passphraseSource = kPassphraseOwner;
  platform::sysLog(kInfo, "browser pairing: owner passphrase set");
  return Pairing::Set;
}

const char* PairingText(Pairing r) {
  switch (r) {
    case Pairing::Shown:
      return "pairing code shown on the unit for 2 min";
    case Pairing::Set:
      return "owner passphrase set: log in with it";
    case Pairing::WrongCode:
      return "wrong pairing code";
    case Pairing::WindowEnded:
      return "wrong pairing code: pairing ended, ask again";
    case Pairing::NotOpen:
      return "no pairing code open: ask for one";
    case Pairing::OwnerAlreadySet:
      return "owner passphrase already set";
    case Pairing::BadPassphrase:
      return "passphrase must be 1 to 64 printable characters";
    case Pairing::NotStored:
      return "owner passphrase could not be stored";
  }
  return "";
}

std::string PairingScreenLine(const Works* w, int64_t now) {
  if (!windowOpen(w, now)) return {};
  char line[64];
  std::snprintf(line, sizeof line, "Browser pairing code: %06d (%lld s)", w->pairingCode.load(),
                static_cast<long long>((w->pairingUntilMs - now + 999) / 1000));
  return line;
}
