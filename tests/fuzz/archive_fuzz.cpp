// Fuzz target: the extraction library's archive reader and inflater on any bytes given as a
// member archive. Whatever the input, nothing may be written outside the output folder, and a
// failed extraction leaves nothing in it.
#include <cstdlib>
#include <filesystem>

#include "tests/fuzz/fuzz_machine.h"
#include "unzip/dunzip.h"
#include "unzip/member_extract.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& drive = FuzzDriveC();
  fs::create_directories(drive + "/OUT");
  FuzzPutFile("MEMBER.ZIP", data, size);
  int32_t result = ExtractSingleMember("C:\\MEMBER.ZIP", "C:\\OUT");
  size_t made = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(drive + "/OUT")) {
    (void)entry;
    ++made;
  }
  size_t beside = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(drive)) {
    (void)entry;
    ++beside;
  }
  if (beside != 2 || made > 1 || (result != kUnzipOk && made != 0)) abort();
  fs::remove_all(drive + "/OUT");
  return 0;
}
