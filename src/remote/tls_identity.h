#pragma once
// The unit's own TLS key and certificate for the browser panel: made at the
// first start, kept under "/opt/set" (the key readable by the program
// alone), never logged. A pair that no longer reads or no longer matches is
// made anew, so a damaged card cannot leave the panel without TLS.
#include <memory>
#include <string>

namespace platform {
class TlsServer;
}

inline constexpr const char* kTlsCertPath = "/opt/set/hfamp-cert.pem";
inline constexpr const char* kTlsKeyPath = "/opt/set/hfamp-key.pem";

// The server context of the unit's identity, loading or making it on the
// first call; null when no identity could be had (then no TLS at all).
std::shared_ptr<platform::TlsServer> UnitTlsServer();
// "SHA-256 AB:CD:..." of the unit's certificate, or "" before it is loaded.
std::string UnitTlsFingerprint();
// Forgets the loaded identity (tests that change the files).
void ForgetUnitTls();
