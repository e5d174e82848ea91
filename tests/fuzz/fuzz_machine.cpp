// The fuzz targets' machine: one per process, removed by an exit handler.
#include "tests/fuzz/fuzz_machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/host/host_machine.h"

namespace {

std::string g_root;

void RemoveMachine() {
  HostMachineClose();
  std::error_code ignored;
  std::filesystem::remove_all(g_root, ignored);
}

}  // namespace

const std::string& FuzzDriveC() {
  static const std::string drive = [] {
    const char* temp = getenv("TMPDIR");
    std::string pattern =
        std::string(temp != nullptr && temp[0] != '\0' ? temp : "/tmp") + "/vnt-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) abort();
    g_root = name.data();
    std::filesystem::create_directories(g_root + "/C");
    if (!HostMachineOpen(g_root.c_str())) abort();
    atexit(RemoveMachine);
    return g_root + "/C";
  }();
  return drive;
}

void FuzzPutFile(const char* name, const uint8_t* data, size_t size) {
  std::ofstream file(FuzzDriveC() + "/" + name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}
