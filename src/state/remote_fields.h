#pragma once
// Fields of `works` owned by remote operation.
#include <atomic>
#include <cstdint>

inline constexpr int kRemoteStatusTextSize = 200;

struct RemoteFields {
  // 1 while the peer may be sent frames (after its passphrase was taken).
  std::atomic<int> wsConnected;
  // JPEG quality of sent screen images (1..100); 0 sends raw pixels.
  std::atomic<int> jpegQuality;
  // The last status text the peer sent; the connection thread only.
  char remoteStatusText[kRemoteStatusTextSize];
};
