// The simulated amplifier speaks in the program's own units, and the bench's
// control socket drives it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "amp/temperature.h"
#include "amp_sim.h"
#include "bench_commands.h"
#include "bench_socket.h"
#include "sample_tables.h"
#include "thermistor.h"

TEST(SimThermistor, ProgramReadsBackTheModelTemperature) {
  for (double t : {-5.0, 0.0, 24.0, 25.0, 41.5, 60.0, 72.3, 79.0})
    EXPECT_NEAR(CalcolaTemp(sim::thermistorRaw(t)), t, 0.3) << t;
  EXPECT_EQ(sim::thermistorRaw(25), 2048);
}

TEST(SimModel, ThresholdsTripAndClearResets) {
  sim::AmpModel m;
  m.transmitting = true;
  m.driveW = 5;
  m.handle("TS4095409501003700;");  // reflected limit far below the load's reflection
  m.advance(0.05);
  EXPECT_EQ(m.trips, sim::kTripRefl);
  EXPECT_TRUE(m.bypassed());
  EXPECT_EQ(m.statusReply().substr(28, 2), "20");  // low digit first
  EXPECT_EQ(m.handle("CPFFFF;"), "CPFFFF;");
  EXPECT_EQ(m.trips, 0);
  EXPECT_EQ(m.handle("XY1;"), "XY?;");
  EXPECT_EQ(m.statusReply().size(), 37u);
}

TEST(BenchControl, SocketCommandsReachTheSimulator) {
  sim::AmpSim amp;
  sim::BenchCommands commands(amp, {});
  sim::ControlSocket control;
  std::string path = "/tmp/hfamp-bench-test-" + std::to_string(getpid()) + ".sock";
  ASSERT_TRUE(control.start(path, [&](const std::string& line) {
    bool quit = false;
    return commands.run(line, quit);
  }));
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, path.c_str());
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  std::string script = "drive 7.5\ntx on\nswr 2 3.0\ntrip fwd\nsensor 2 5000\nbogus\n";
  ASSERT_EQ(write(fd, script.data(), script.size()), ssize_t(script.size()));
  std::string replies;
  char buf[256];
  while (replies.find("unknown command") == std::string::npos) {
    ssize_t n = read(fd, buf, sizeof buf);
    ASSERT_GT(n, 0);
    replies.append(buf, size_t(n));
  }
  close(fd);
  control.stop();
  sim::AmpModel m = amp.model();
  EXPECT_FLOAT_EQ(m.driveW, 7.5f);
  EXPECT_TRUE(m.transmitting);
  EXPECT_NEAR(sim::SwrOf(m.antennaLoad[1].at(m.rigFreq)), 3.0, 1e-9);
  EXPECT_EQ(m.trips, sim::kTripFwd);
  EXPECT_EQ(m.forcedRaw[1], 5000);
  EXPECT_EQ(m.statusReply().substr(24, 4), "5000");
}
