// The simulated-machine fixture of the host tests: every test gets a fresh machine directory
// with a default machine.ini and the folders C\, C\WINDOWS and C\WINDOWS\SYSTEM, and helpers to
// put and read files by their Windows paths, script the user's answers and read the transcript.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/host/host_machine.h"

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The host file a Windows path stands for; empty when it does not map.
  std::string HostPath(const char* windows_path);
  // Rewrites machine.ini and reopens the machine (the answer script and fault plan restart).
  void WriteMachineIni(const std::string& text);
  // Writes a file, creating its drive folder and directories as needed.
  void PutFile(const char* windows_path, const std::string& bytes);
  // The file's bytes; empty when it is missing.
  std::string GetFile(const char* windows_path);
  bool Exists(const char* windows_path);
  // Writes answers.txt and reopens the machine so that the script is read from its start.
  void SetAnswers(const std::string& text);
  std::string Transcript();
  // Writes registry.reg and reopens the machine, which reads it; and the file as it is now.
  void WriteRegistry(const std::string& text);
  std::string Registry();

  std::string root_;

 private:
  void WriteRootFile(const char* name, const std::string& text);
  std::string ReadRootFile(const char* name);
  void Reopen();
};
