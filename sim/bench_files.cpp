#include "bench_files.h"

#include <cstdio>

#include "sample_tables.h"
#include "sandbox.h"

namespace sim {

bool writeBenchSetFiles(const std::string& root) {
  // Keys not written here take their defaults when the program reads the file.
  const char* setup =
      "EnableLinear: 1\n"
      "LinPort: /dev/ttyAMA0\n"
      "SerPort: /dev/ttyUSB1\n"
      "CatSerialPort: /dev/ttyUSB2\n"
      "EnableKeyb: 0\n"
      "EnableCAT: 0\n"
      "EnableRead: 0\n"
      "EnableWrite: 0\n"
      "EnableFFT: 0\n"
      "AutoTuneMode: 1\n"
      "WebSocket: 0\n"
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
  return writeSandboxFile(root, "/opt/set/setup.txt", setup) &&
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
