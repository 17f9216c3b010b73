// Golden replays of the amplifier link: byte streams recorded from the
// simulated amplifier (hfamp-sim --wire-log) are replayed through the framer
// and the decoder, and what they decode to, with the command chosen next and
// the commands queued, is compared line by line with a checked-in expectation.
//
// A change meant to alter what the link decodes rebuilds the expectations:
//   HFAMP_UPDATE_GOLDEN=1 ./build/tests/test_amp --gtest_filter='GoldenReplay*'
// and the commit says why they changed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/decode_reply.h"
#include "amp/errors.h"
#include "amp/link_commands.h"
#include "amp/link_frame.h"
#include "amp/link_state.h"
#include "sample_tables.h"
#include "state/init_globals.h"
#include "tables/config_table.h"
#include "amp_test_support.h"
#include "works_fixture.h"

namespace {

const std::string kGoldenDir = std::string(HFAMP_SOURCE_DIR) + "/tests/amp/golden/";

// One line of a wire log: "ms TEXT" for a command the program sent, "ms < BYTES"
// for what the amplifier answered.
struct WireLine {
  bool reply;
  std::string bytes;
};

std::vector<WireLine> readWireLog(const std::string& path) {
  std::vector<WireLine> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    std::string rest = line.substr(space + 1);
    if (rest.rfind("< ", 0) == 0)
      out.push_back({true, rest.substr(2)});
    else
      out.push_back({false, rest});
  }
  return out;
}

// The reply letters the link expects after sending `text`.
const AmpCommandInfo* commandFor(const std::string& text) {
  for (const AmpCommandInfo& c : AmpCommandTable())
    if (text.compare(0, 2, c.format, 2) == 0) return &c;
  return nullptr;
}

class GoldenReplay : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    w_->configTab = ParseConfigText(sim::sampleConfigTxt());
    w_->configRows = static_cast<int>(w_->configTab.size());
    linkPausesOn = false;
  }
  void TearDown() override { linkPausesOn = true; }

  // What one decoded reply left behind, on one line.
  std::string summary(const std::string& reply) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "%s -> next %d | in %.2f fwd %.2f refl %.2f swr %.2f | t %.1f %.1f | I %.0f | st %02X %02X %02X | "
                  "freq %d an %d byp %d att %d | errors %d",
                  reply.c_str(), pendingCmd.load(), w_->pwrIn.load(), w_->pwrFwd.load(), w_->pwrRefl.load(),
                  w_->swrValue.load(), w_->paTemp1.load(), w_->paTemp2.load(), w_->ampCurrentRaw.load(),
                  w_->ampStatus[0].load(), w_->ampStatus[1].load(), w_->ampStatus[2].load(), w_->ampFreq.load(),
                  w_->anMode.load(), w_->ampBypass.load(), w_->Attenuator.load(), w_->errorCount.load());
    std::string out = line;
    const std::vector<int> queued = queuedCommands();
    if (!queued.empty()) {
      out += " | queued";
      for (int c : queued) out += " " + std::to_string(c);
    }
    return out;
  }

  // The ring's pending codes, left in place.
  std::vector<int> queuedCommands() {
    return w_->cmdPath.codes();
  }

  // Replays a wire log and returns one summary line per framed reply.
  std::vector<std::string> replay(const std::vector<WireLine>& wire) {
    std::vector<std::string> lines;
    ReplyFramer rx;
    for (const WireLine& l : wire) {
      if (!l.reply) {
        // The command went out: the link expects its reply letters.
        rx.reset();
        if (const AmpCommandInfo* c = commandFor(l.bytes)) LastCmdSent(w_.get(), c->reply[0], c->reply[1], c->code);
        w_->lastCmdEcho[0] = l.bytes.size() > 0 ? l.bytes[0] : '\0';
        w_->lastCmdEcho[1] = l.bytes.size() > 1 ? l.bytes[1] : '\0';
        linkState = LinkState::Waiting;
        continue;
      }
      for (char ch : l.bytes) {
        switch (rx.push(ch)) {
          case ReplyFramer::Event::Reply: {
            const std::string text(rx.text());
            DecodeCatCmd(w_.get(), text.c_str(), static_cast<int>(text.size()));
            lines.push_back(summary(text));
            break;
          }
          case ReplyFramer::Event::BadCheck:
            lines.push_back("bad checksum: " + rx.raw());
            break;
          case ReplyFramer::Event::Runt:
          case ReplyFramer::Event::Overflow:
            lines.push_back("dropped: " + rx.raw());
            break;
          case ReplyFramer::Event::None:
            break;
        }
      }
    }
    return lines;
  }

  void check(const std::string& name) {
    const auto wire = readWireLog(kGoldenDir + name + ".wire");
    ASSERT_FALSE(wire.empty()) << "no wire log " << name;
    const std::vector<std::string> got = replay(wire);
    const std::string expectedPath = kGoldenDir + name + ".expected";
    if (std::getenv("HFAMP_UPDATE_GOLDEN")) {
      std::ofstream out(expectedPath);
      for (const auto& l : got) out << l << '\n';
      GTEST_SKIP() << "rebuilt " << expectedPath;
    }
    std::ifstream in(expectedPath);
    ASSERT_TRUE(in) << "no expectation " << expectedPath << " (rebuild with HFAMP_UPDATE_GOLDEN=1)";
    std::vector<std::string> expected;
    for (std::string l; std::getline(in, l);) expected.push_back(l);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << name << " reply " << i;
  }
};

// Start-up identification, polls, a band change while transmitting, a
// reflected-power trip and its reset.
TEST_F(GoldenReplay, BenchSession) { check("bench_session"); }

// The same amplifier with noise before every reply and then bad checksums:
// the framer resynchronises and drops what does not check.
TEST_F(GoldenReplay, NoisyLine) { check("noisy_line"); }

}  // namespace
