#pragma once
// Helpers of the table tests: the codes queued for the amplifier, and what the
// code under test wrote to standard error.
#include <string>
#include <vector>

#include "amp/cmd_ring.h"
#include "platform/log.h"
#include "works_fixture.h"

inline std::vector<int> drainCommands(Works* works) {
  std::vector<int> codes;
  for (int c; (c = TakeCMDLinear(works)) != -1;) codes.push_back(c);
  return codes;
}

// A sandboxed Works that records log lines.
class TablesTest : public WorksTest {
 protected:
  std::vector<std::string> log_;
  void SetUp() override {
    WorksTest::SetUp();
    platform::setLogObserver([this](const std::string& s) { log_.push_back(s); });
  }
  void TearDown() override {
    platform::setLogObserver({});
    WorksTest::TearDown();
  }
  bool logged(const std::string& text) const {
    for (const auto& l : log_)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
};
