// Two units on one machine, each a bench of its own (simulated amplifier,
// transceivers, front panel, `hfamp --root` process): the first is the
// WebSocket server, the second its client over loopback, started by the
// first bench's "remote client". Everything is checked from outside, through
// the benches' control sockets and the programs' logs.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench_commands.h"
#include "bench_remote.h"
#include "program_run.h"
#include "wait_until.h"

namespace fs = std::filesystem;

namespace {

// A port nobody listens on just now.
int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof addr;
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
  ::close(fd);
  return ntohs(addr.sin_port);
}

// Waits stretched for an emulated build, where four programs share the
// emulator: the bench and its hfamp at each end.
bool waitScaled(const std::function<bool()>& done, int timeoutMs) {
  return waitUntil(done, timeoutMs * emulationSlowdown());
}

// The bank field of a status line; empty while no line has arrived.
std::string bankOf(const std::string& status) { return status.size() < 42 ? "" : status.substr(40, 2); }

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class TwoUnits : public ::testing::Test {
 protected:
  void SetUp() override {
    static int runs = 0;
    root_ = fs::temp_directory_path() /
            ("hfamp-two-units-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
    fs::remove_all(root_);
    fs::remove_all(clientRoot());
    fs::create_directories(root_);
    log_ = root_.string() + ".log";
    const std::string sim = buildDir() + "/sim/hfamp-sim";
    const sim::Command command =
        emulatedCommand({sim, "--root", root_.string(), "--serve", std::to_string(freePort())});
    pid_ = fork();
    if (pid_ == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(in, STDIN_FILENO);
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
      command.exec();
      _exit(127);
    }
    ASSERT_TRUE(waitScaled([&] { return askOk("panel"); }, 10000)) << slurp(log_);
  }

  void TearDown() override {
    bool ok = false;
    sim::AskBench(socket(), "quit", 2000, ok);
    if (!waitScaled([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, 15000)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (!HasFailure()) {
      fs::remove_all(root_);
      fs::remove_all(clientRoot());
      fs::remove(log_);
    }
  }

  std::string clientRoot() const { return root_.string() + "-client"; }
  std::string socket() const { return root_.string() + "/run/bench.sock"; }
  bool askOk(const std::string& line) {
    bool ok = false;
    sim::AskBench(socket(), line, 10000 * emulationSlowdown(), ok);
    return ok;
  }
  std::string ask(const std::string& line) {
    bool ok = false;
    std::string reply = sim::AskBench(socket(), line, 25000 * emulationSlowdown(), ok);
    EXPECT_TRUE(ok) << line;
    return reply;
  }
  // True once the reply to `line` contains `text`.
  bool replyShows(const std::string& line, const std::string& text, int timeoutMs) {
    return waitScaled([&] { return ask(line).find(text) != std::string::npos; }, timeoutMs);
  }
  std::string clientSystemLog() const { return slurp(clientRoot() + "/var/log/hfamp.log"); }
  // The server's status line as the client last received it.
  std::string farStatus() {
    const std::string r = ask("remote");
    const std::string mark = "far unit's status line: ";
    const size_t at = r.find(mark);
    return at == std::string::npos ? "" : r.substr(at + mark.size());
  }
  // The client's status line as the server's program last received it.
  std::string statusAtServer() const { return sim::LastPeerStatus(slurp(programLog(root_.string()))); }
  // A unit's program output, which its bench keeps in the sandbox.
  static std::string programLog(const std::string& root) { return root + sim::kProgramLog; }

  fs::path root_;
  std::string log_;
  pid_t pid_ = -1;
};

TEST_F(TwoUnits, ClientMirrorsTheServerCatTextAndAudioTravelBothWays) {
  ASSERT_EQ(ask("remote client").rfind("ok", 0), 0u) << slurp(log_);
  // Start-up of both programs, then the handshake and the passphrase.
  ASSERT_TRUE(replyShows("remote", ", connected (", 60000)) << ask("remote");
  ASSERT_TRUE(waitScaled([&] { return ask("remote").find("(none yet)") == std::string::npos; }, 20000));
  ASSERT_TRUE(replyShows("remote", "far unit's status line: 20m", 10000)) << ask("remote");
  const std::string status = farStatus();
  ASSERT_GE(status.size(), 42u) << status;
  // The companion's 14.070 MHz is on the 20 m row; ext IO interface.
  EXPECT_EQ(status.substr(0, 5), "20m 1") << status;
  const int bank = std::stoi(status.substr(40, 2));

  // The server's transceiver moves to 40 m: the client's program follows and
  // sends the new frequency to its own amplifier.
  ASSERT_EQ(ask("rig freq 7100000"), "ok");
  EXPECT_TRUE(replyShows("client state", "frequency sent 7100000 Hz", 20000)) << ask("client state");
  EXPECT_TRUE(replyShows("remote", "far unit's status line: 40m", 10000)) << ask("remote");

  // MEM on the server's panel steps to the next bank; the client follows, and
  // says so in the status line it sends back.
  ASSERT_EQ(ask("press 1"), "ok");
  char next[3];
  std::snprintf(next, sizeof next, "%02d", bank + 1);
  EXPECT_TRUE(waitScaled([&] { return bankOf(farStatus()) == next; }, 20000)) << farStatus();
  EXPECT_TRUE(waitScaled([&] { return bankOf(statusAtServer()) == next; }, 20000)) << statusAtServer();
  EXPECT_NE(clientSystemLog().find("following the far unit to bank " + std::to_string(bank + 1)), std::string::npos);

  // CAT text typed at one companion arrives at the other's CAT port, once
  // both relays have found their ports.
  const auto relayUp = [](const std::string& log) { return log.find("CAT serial found") != std::string::npos; };
  ASSERT_TRUE(waitScaled(
      [&] { return relayUp(slurp(programLog(root_.string()))) && relayUp(slurp(programLog(clientRoot()))); }, 20000));
  ASSERT_EQ(ask("rig cat FA00007100000;"), "ok");
  EXPECT_TRUE(replyShows("client rig cat", "FA00007100000;", 10000)) << ask("client rig cat");
  ASSERT_EQ(ask("client rig cat IF;"), "ok");
  EXPECT_TRUE(replyShows("rig cat", " IF;", 10000)) << ask("rig cat");

  // A tone at the server's microphone is heard at the client, and back.
  ASSERT_EQ(ask("audio tone 800 3"), "ok");
  EXPECT_TRUE(replyShows("client audio", "strongest 800 Hz", 10000)) << ask("client audio");
  ASSERT_EQ(ask("client audio tone 1500 3"), "ok");
  EXPECT_TRUE(replyShows("audio", "strongest 1500 Hz", 10000)) << ask("audio");

  // The client's screen is its own, and can be taken like the server's.
  const std::string shot = clientRoot() + "/client.png";
  EXPECT_EQ(ask("client shot " + shot), "saved " + shot);
  std::error_code ec;
  const auto size = fs::file_size(shot, ec);
  EXPECT_TRUE(!ec && size > 1000) << (ec ? ec.message() : std::to_string(size) + " bytes");

  EXPECT_EQ(ask("remote stop"), "ok");
  EXPECT_NE(ask("remote").find("no client unit"), std::string::npos);
}

TEST_F(TwoUnits, ClientCommandsNeedAClientUnit) {
  EXPECT_NE(ask("client state").find("no client unit"), std::string::npos);
  EXPECT_NE(ask("remote bogus").find("usage"), std::string::npos);
  EXPECT_NE(ask("client").find("usage"), std::string::npos);
}

}  // namespace

TEST(LastPeerStatus, TakesTheLastReceivedLine) {
  EXPECT_EQ(sim::LastPeerStatus(""), "");
  EXPECT_EQ(sim::LastPeerStatus("BUFFER Wsocket : 20m 1\nother\nBUFFER Wsocket : 40m 2\nmore"), "40m 2");
  EXPECT_EQ(sim::LastPeerStatus("BUFFER Wsocket : cut"), "cut");
}
