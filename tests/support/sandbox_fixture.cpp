#include "sandbox_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/board.h"
#include "platform/paths.h"
#include "sandbox.h"

void SandboxTest::SetUp() {
  char tmpl[] = "/tmp/hfamp-test-XXXXXX";
  root_ = ::mkdtemp(tmpl);
  sim::makeSandbox(root_);
  platform::setRoot(root_);
  platform::clearCommandRecord();
}

void SandboxTest::TearDown() {
  platform::setRoot("");
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::string SandboxTest::host(const std::string& systemPath) const { return root_ + systemPath; }

std::string SandboxTest::readHost(const std::string& systemPath) const {
  std::ifstream in(host(systemPath), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void SandboxTest::writeHost(const std::string& systemPath, const std::string& content) const {
  sim::writeSandboxFile(root_, systemPath, content);
}
