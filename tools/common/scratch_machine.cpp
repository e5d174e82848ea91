// The tools' scratch folders and scratch machines.
#include "tools/common/scratch_machine.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/host/host_machine.h"

ScratchFolder::ScratchFolder(const char* prefix) {
  const char* temp = getenv("TMPDIR");
  std::string pattern =
      std::string(temp != nullptr && temp[0] != '\0' ? temp : "/tmp") + "/" + prefix + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) != nullptr) path = name.data();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

ScratchMachine::ScratchMachine(const char* prefix)
    : folder(prefix), open(!folder.path.empty() && HostMachineOpen(folder.path.c_str())) {}

ScratchMachine::~ScratchMachine() {
  HostMachineClose();
}

bool HostPathOnZ(const std::string& host, std::string* out) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(host, error);
  if (error) return false;
  std::string text = "Z:" + full.lexically_normal().string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.size() > 259) return false;
  *out = text;
  return true;
}
