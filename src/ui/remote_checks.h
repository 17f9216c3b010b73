#pragma once
// The presence checks made before remote operation is switched on from the
// setup list: the USB receiver, the companion transceiver's CAT port and the
// USB audio codec. The probes themselves belong to the receiver link, which
// sits beside the menu, so start-up installs them here; until it has, the
// menu uses stand-ins that report the hardware as not available, so
// switching remote operation on fails with its causes shown rather than
// pretending to succeed.
struct Works;

struct RemoteChecks {
  // 0 when receiver, CAT port and audio codec are all present; 1 receiver
  // missing, 2 CAT port not answering, 3 audio codec missing.
  int (*findRemoteSettings)(Works* works);
  // The number of USB audio codecs found.
  int (*getAudio)(Works* works);
};

// The checks in use.
const RemoteChecks& GetRemoteChecks();
// Installs other checks (the real probes, or a test's); nullptr puts the
// stand-ins back. Not for use while the key thread may be checking.
void SetRemoteChecks(const RemoteChecks* checks);
