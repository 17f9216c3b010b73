#pragma once
// What either end does with a frame from its peer once the passphrase has
// been settled. The server and the client take the same frames in, with a
// few differences of side: the server writes "PA" and "SC" to its external IO
// port and discards spectra; the client stores parameters and spectra.
#include <cstdint>
#include <vector>

#include "remote/audio_codec.h"
#include "remote/ws_chunks.h"
#include "remote/tx_release.h"
#include "remote/ws_screen.h"

struct Works;

enum class PeerSide { Server, Client };

class FrameDispatcher {
 public:
  FrameDispatcher(Works* works, PeerSide side);
  // False when the connection has to be left.
  bool dispatch(const WsFrame& frame);
  const ScreenReceiver& screen() const { return screen_; }

 private:
  bool shortBinary(const WsFrame& frame);
  bool longBinary(const WsFrame& frame);
  void statusText(const uint8_t* data, size_t length);
  bool writeCat(const uint8_t* data, size_t length);
  void spectrum(const WsFrame& frame);
  bool audio(const WsFrame& frame);

  Works* w_;
  PeerSide side_;
  ScreenReceiver screen_;
  std::vector<uint8_t> spectrumArea_;
  ChunkAssembler spectrum_;
  PlaybackLimiter playback_;
  PeerCatWatch catWatch_;
};
