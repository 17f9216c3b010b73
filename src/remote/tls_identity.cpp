#include "remote/tls_identity.h"

#include <cerrno>
#include <mutex>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/remount.h"
#include "platform/serial.h"
#include "platform/tls.h"

using platform::kErr;
using platform::kInfo;

namespace {

std::mutex gMutex;
std::shared_ptr<platform::TlsServer> gServer;
std::string gFingerprint;

platform::TlsIdentity readIdentity() {
  const platform::FileRead cert = platform::readWholeFile(kTlsCertPath);
  const platform::FileRead key = platform::readWholeFile(kTlsKeyPath);
  if (!cert.ok() || !key.ok()) return {};
  return {cert.bytes, key.bytes};
}

bool store(const platform::TlsIdentity& id) {
  // The key first: a certificate without its key is no identity.
  if (WriteSettingsFileNow(kTlsKeyPath, id.keyPem, 0600) && WriteSettingsFileNow(kTlsCertPath, id.certPem, 0644))
    return true;
  platform::sysLog(kErr, "TLS identity not stored: %s", platform::errorText(errno).c_str());
  return false;
}

platform::TlsIdentity loadOrMake() {
  platform::TlsIdentity id = readIdentity();
  if (platform::TlsIdentityUsable(id)) return id;
  platform::sysLog(kInfo, "making the unit's TLS key and certificate");
  id = platform::MakeTlsIdentity("hfamp");
  if (id.certPem.empty()) {
    platform::sysLog(kErr, "TLS identity could not be made: the browser panel stays off");
    return {};
  }
  // Unstored, it still serves this run; the next start makes another.
  store(id);
  return id;
}

}  // namespace

std::shared_ptr<platform::TlsServer> UnitTlsServer() {
  std::lock_guard lock(gMutex);
  if (gServer) return gServer;
  const platform::TlsIdentity id = loadOrMake();
  if (id.certPem.empty()) return nullptr;
  auto server = std::make_shared<platform::TlsServer>(id);
  if (!server->ready()) return nullptr;
  gServer = std::move(server);
  gFingerprint = "SHA-256 " + platform::TlsFingerprint(id.certPem);
  platform::sysLog(kInfo, "TLS certificate %s", gFingerprint.c_str());
  return gServer;
}

std::string UnitTlsFingerprint() {
  std::lock_guard lock(gMutex);
  return gFingerprint;
}

void ForgetUnitTls() {
  std::lock_guard lock(gMutex);
  gServer.reset();
  gFingerprint.clear();
}
