// The simulated-machine fixture: creates a machine directory under $TMPDIR (or /tmp) for each
// test, opens it, and removes it afterwards. Standard input is taken from /dev/null so that a
// message box never waits for a person, even when the tests run from a terminal.
#include "tests/support/test_machine.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

const char kDefaultMachineIni[] =
    "; the fixture's machine: every value is the backend's default\n"
    "[machine]\n"
    "platform=1\n"
    "processor=586\n"
    "memory=33554432\n"
    "windows_dir=C:\\WINDOWS\n"
    "system_dir=C:\\WINDOWS\\SYSTEM\n"
    "current_dir=C:\\\n";

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

}  // namespace

void MachineTest::SetUp() {
  int null_input = open("/dev/null", O_RDONLY);
  ASSERT_GE(null_input, 0);
  dup2(null_input, STDIN_FILENO);
  close(null_input);
  const char* temp = getenv("TMPDIR");
  std::string name =
      std::string(temp != nullptr && temp[0] != '\0' ? temp : "/tmp") + "/vnt-machine-XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  ASSERT_NE(mkdtemp(buffer.data()), nullptr) << "cannot make a machine under " << name;
  // The real path, as the backend keeps it, so that host paths start with root_.
  char* real = realpath(buffer.data(), nullptr);
  ASSERT_NE(real, nullptr);
  root_ = real;
  free(real);
  for (const char* folder : {"/C", "/C/WINDOWS", "/C/WINDOWS/SYSTEM"}) {
    ASSERT_EQ(mkdir((root_ + folder).c_str(), 0755), 0);
  }
  WriteRootFile("machine.ini", kDefaultMachineIni);
  Reopen();
}

void MachineTest::TearDown() {
  HostMachineClose();
  if (!root_.empty()) nftw(root_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string MachineTest::HostPath(const char* windows_path) {
  char host[4096];
  return HostMapPath(windows_path, host, sizeof host) ? std::string(host) : std::string();
}

void MachineTest::WriteMachineIni(const std::string& text) {
  WriteRootFile("machine.ini", text);
  Reopen();
}

void MachineTest::PutFile(const char* windows_path, const std::string& bytes) {
  std::string path = HostPath(windows_path);
  if (path.empty() && windows_path[0] != '\0' && windows_path[1] == ':') {
    // A drive without a folder does not map yet: give it one.
    char letter = static_cast<char>(toupper(static_cast<unsigned char>(windows_path[0])));
    mkdir((root_ + "/" + letter).c_str(), 0755);
    path = HostPath(windows_path);
  }
  ASSERT_FALSE(path.empty()) << windows_path << " does not map to a host file";
  size_t start = path.compare(0, root_.size() + 1, root_ + "/") == 0 ? root_.size() + 1 : 1;
  for (size_t slash = path.find('/', start); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  HostForgetListings();
  ASSERT_TRUE(file.good()) << "cannot write " << path;
}

std::string MachineTest::GetFile(const char* windows_path) {
  std::string path = HostPath(windows_path);
  std::ifstream file(path, std::ios::binary);
  if (path.empty() || !file) return std::string();
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

bool MachineTest::Exists(const char* windows_path) {
  std::string path = HostPath(windows_path);
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

void MachineTest::SetAnswers(const std::string& text) {
  WriteRootFile("answers.txt", text);
  Reopen();
}

std::string MachineTest::Transcript() {
  return ReadRootFile("transcript.txt");
}

void MachineTest::WriteRegistry(const std::string& text) {
  WriteRootFile("registry.reg", text);
  Reopen();
}

std::string MachineTest::Registry() {
  return ReadRootFile("registry.reg");
}

std::string MachineTest::ReadRootFile(const char* name) {
  std::ifstream file(root_ + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void MachineTest::WriteRootFile(const char* name, const std::string& text) {
  std::ofstream file(root_ + "/" + name, std::ios::binary | std::ios::trunc);
  file << text;
  ASSERT_TRUE(file.good()) << "cannot write " << name;
}

void MachineTest::Reopen() {
  HostMachineClose();
  ASSERT_EQ(HostMachineOpen(root_.c_str()), 1) << root_;
}
