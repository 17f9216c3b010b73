#include "bench_files.h"

#include <cstdio>
#include <memory>

#include "sample_tables.h"
#include "sandbox.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/table_io.h"

namespace sim {
namespace {

constexpr int kExtIoInterface = 1;
constexpr int kBanks = 20;

// Audio both ways: capture from the sandbox's capture file (mono), playback
// into its playback file.
constexpr const char* kAudioOn = "EnableRead: 1\nEnableWrite: 1\nInChannels: 1\n";

// The setup keys that make the unit a server or a client; the CAT relay runs
// on both, so text typed at one companion reaches the other.
std::string roleKeys(const BenchRole& role) {
  const std::string port = "TcpPort: " + std::to_string(role.port) + "\n";
  switch (role.kind) {
    case BenchRole::Server:
      // Each unit's receiver sends its spectrum to the other, one per five
      // transfers; a unit whose receiver is in use no longer draws its
      // companion's external IO spectrum over the peer's.
      return "WebSocket: 1\n" + port + "EnableCAT: 1\nEnableFFT: 1\nDivide: 5\n" + kAudioOn;
    case BenchRole::Client:
      return "WebSocket: 2\nServer: 127.0.0.1\n" + port + "EnableCAT: 1\nEnableFFT: 1\nDivide: 5\n" + kAudioOn;
    case BenchRole::Alone:
      break;
  }
  return "WebSocket: 0\nEnableCAT: 0\nEnableRead: 0\nEnableWrite: 0\nEnableFFT: 0\n";
}

bool writeExtIoBanks(const std::string& root) {
  auto w = std::make_unique<Works>();
  InitTabAntenna(w.get(), 0);
  const std::string table = FormatTabConfig(w.get(), kExtIoInterface);
  for (int bank = 0; bank < kBanks; ++bank)
    if (!writeSandboxFile(root, tables::bandTablePath(bank), table)) return false;
  return true;
}

}  // namespace

bool writeBenchSetFiles(const std::string& root, const BenchRole& role, bool serviceKeyboard) {
  // Keys not written here take their defaults when the program reads the file.
  const std::string setup = std::string(
                                "EnableLinear: 1\n"
                                "LinPort: /dev/ttyAMA0\n"
                                "SerPort: /dev/ttyUSB1\n"
                                "CatSerialPort: /dev/ttyUSB2\n") +
                            (serviceKeyboard ? "EnableKeyb: 1\n" : "EnableKeyb: 0\n") +
                            "AutoTuneMode: 1\n"
                            "EnableTouch: 1\n";
  // A board's network file as Debian lays it out, for the LAN settings.
  const char* interfaces =
      "# interfaces(5) file used by ifup(8) and ifdown(8)\n"
      "source /etc/network/interfaces.d/*\n"
      "\n"
      "auto lo\n"
      "iface lo inet loopback\n"
      "\n"
      "auto eth0\n"
      "iface eth0 inet static\n"
      "\taddress 192.168.1.20\n"
      "\tnetmask 255.255.255.0\n"
      "\tgateway 192.168.1.1\n"
      "\tnameserver 192.168.1.1\n";
  if (role.kind != BenchRole::Alone && !writeExtIoBanks(root)) return false;
  return writeSandboxFile(root, "/opt/set/setup.txt", setup + roleKeys(role)) &&
         writeSandboxFile(root, "/etc/network/interfaces", interfaces) &&
         writeSandboxFile(root, "/opt/set/config.txt", sampleConfigTxt()) &&
         writeSandboxFile(root, "/opt/set/ventola.txt", sampleVentolaTxt()) &&
         writeSandboxFile(root, "/opt/set/filter.txt", sampleFilterTxt());
}

bool writeMyTemp(const std::string& root, double cpuC, double gpuC) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f\ntemp=%4.1f'C\n", cpuC, gpuC);
  return writeSandboxFile(root, "/run/sim/my_temp", text);
}

}  // namespace sim
