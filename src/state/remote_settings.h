#pragma once
// Remote-operation settings that live beside the setup file.
struct Works;

// The owner's own passphrase, one line of 1 to 64 printable characters. When
// the file is missing or unusable, the shared default stays, so existing
// peers keep working.
inline constexpr const char* kPassphrasePath = "/opt/set/passphrase.txt";

// Takes the passphrase file, and the JPEG quality of sent screen images from
// the Quality setting (1..100; 0 or no number sends raw pixels).
void LoadRemoteSettings(Works* works);
