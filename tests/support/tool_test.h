// The fixture of the host tools' tests: a fresh host folder for every test, removed afterwards,
// files put into it, and a tool run as a shell command with its output and errors kept.
#pragma once

#include <gtest/gtest.h>

#include <string>

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs program with the arguments (a shell word list), without input; the exit status, or -1
  // when it did not exit.
  int Run(const std::string& program, const std::string& arguments);
  // Writes dir_/name, creating its folders.
  void Put(const std::string& name, const std::string& text);

  std::string dir_;
  std::string errors_;
  std::string output_;
};
