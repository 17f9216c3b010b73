#pragma once
// Remote-operation settings that live beside the setup file.
#include <string>

struct Works;

// The owner's own passphrase, one line of 1 to 64 printable characters. When
// the file is missing the shared default stays, so units keep finding each
// other; a file that exists but cannot be used keeps the server and the
// client off: a default the owner meant to replace must not open the unit.
inline constexpr const char* kPassphrasePath = "/opt/set/passphrase.txt";

inline constexpr const char* kWsPassword = "lindoramesca";
enum PassphraseSource : int { kPassphraseDefault = 0, kPassphraseOwner = 1, kPassphraseUnusable = 2 };
// One line for the information screen: whose passphrase is in force, or why
// the remote service is off.
std::string PassphraseSummary(const Works* works);

// Takes the passphrase file, and the JPEG quality of sent screen images from
// the Quality setting (1..100; 0 or no number sends raw pixels).
void LoadRemoteSettings(Works* works);
