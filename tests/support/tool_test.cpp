// The host tools' test fixture.
#include "tests/support/tool_test.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/support/archive_tools.h"

namespace fs = std::filesystem;

void ToolTest::SetUp() {
  const char* temp = getenv("TMPDIR");
  std::string pattern =
      std::string(temp != nullptr && temp[0] != '\0' ? temp : "/tmp") + "/vnt-tool-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  ASSERT_NE(mkdtemp(name.data()), nullptr);
  dir_ = name.data();
}

void ToolTest::TearDown() {
  fs::remove_all(dir_);
}

int ToolTest::Run(const std::string& program, const std::string& arguments) {
  std::string command = "'" + program + "' " + arguments + " >'" + dir_ + "/out.txt' 2>'" + dir_ +
                        "/err.txt' </dev/null";
  int status = system(command.c_str());
  errors_ = ReadHostFile(dir_ + "/err.txt");
  output_ = ReadHostFile(dir_ + "/out.txt");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ToolTest::Put(const std::string& name, const std::string& text) {
  fs::create_directories(fs::path(dir_ + "/" + name).parent_path());
  std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
}
