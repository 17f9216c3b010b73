#pragma once
// A fresh sandbox root per test: the platform layer maps every system path
// under it, and the command record starts empty.
#include <gtest/gtest.h>

#include <string>

class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Host path of a system path inside this test's sandbox.
  std::string host(const std::string& systemPath) const;
  std::string readHost(const std::string& systemPath) const;
  void writeHost(const std::string& systemPath, const std::string& content) const;

  std::string root_;
};
