#pragma once
// Fields of `works` owned by remote operation.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/pcm.h"
#include "state/remote_pacing.h"

inline constexpr int kRemoteStatusTextSize = 200;

struct RemoteFields {
  // 1 while the peer may be sent frames (after its passphrase was taken).
  std::atomic<int> wsConnected;
  // JPEG quality of sent screen images (1..100); 0 sends raw pixels.
  std::atomic<int> jpegQuality;
  // The last status text the peer sent; the connection thread only.
  char remoteStatusText[kRemoteStatusTextSize];
  // How fast the commands in it may act.
  RemotePacing remotePacing;

  // Audio playback: the playback thread opens, watches and closes the device;
  // the connection thread writes received audio to it. Both under audioOutMutex.
  std::mutex audioOutMutex;
  std::unique_ptr<platform::Pcm> pcmOut;
  std::vector<int16_t> playBuf;  // one period of 2-channel samples
  std::atomic<char> audioOutReady;
  std::atomic<int> inChannels;
  // Received Opus packets that would not decode (each played as silence).
  std::atomic<uint64_t> audioDecodeFailures;
  // Received frames handed to the playback device.
  std::atomic<uint64_t> audioFramesPlayed;

  // Where the passphrase came from (PassphraseSource); a file that exists
  // but cannot be used keeps the server and the client off.
  std::atomic<int> passphraseSource;
  std::atomic<const char*> passphraseProblem;  // why the file was refused; static text
  // Transmit keyed by the peer: since when (monotonic ms, 0 not keyed), and
  // how long it may last (RemoteTxLimit, seconds, 0 no limit).
  std::atomic<int64_t> remoteKeyedSinceMs;
  std::atomic<int> remoteTxLimitS;
  // Browser pairing window: the code on the screen (-1 none), until when,
  // and the wrong codes tried in it.
  std::atomic<int> pairingCode;
  std::atomic<int64_t> pairingUntilMs;
  std::atomic<int> pairingWrong;
};
