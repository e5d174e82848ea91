// The Win32 dunzipnt.dll under Wine, loaded and called as SETUP.EXE does it (LoadExtractionLibrary
// and ExtractMember from dest_dir): a deflated member extracted with its bytes and its stored
// date and time, a bad CRC refused with 39 and nothing left, a name with ".." refused with 3.
// A console program run by extraction_test.sh with its folder (a Windows path) that holds
// lib\dunzipnt.dll, good.zip, badcrc.zip, evil.zip and ref\MEMBER.DAT; exits 1 on any failure.
#include <cstdio>
#include <cstring>

#include "payload/extraction_library.h"
#include "platform/files.h"
#include "services/setup_state.h"

namespace {

// 2001-02-03 04:05:06, the time the script gives every member.
const uint32_t kMemberDosTime = ((21u << 9 | 2u << 5 | 3u) << 16) | (4u << 11 | 5u << 5 | 3u);

int failures = 0;

void Check(int ok, const char* what) {
  if (!ok) {
    printf("FAIL: %s\n", what);
    ++failures;
  }
}

const char* Join(char* out, const char* folder, const char* name) {
  snprintf(out, kPathBuffer, "%s\\%s", folder, name);
  return out;
}

// The file's bytes into buffer (at most size); the count, or -1 when it cannot be opened.
long ReadAll(const char* path, char* buffer, uint32_t size) {
  PlatFile file = PlatOpenFile(path, kOpenRead);
  if (file == kPlatNoFile) return -1;
  uint32_t count = PlatReadFile(file, buffer, size);
  PlatCloseFile(file);
  return count == kPlatFileError ? -1 : static_cast<long>(count);
}

char g_extracted[1 << 19];
char g_reference[1 << 19];

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    printf("usage: extraction_test FOLDER\n");
    return 2;
  }
  const char* folder = argv[1];
  char path[kPathBuffer];
  char output[kPathBuffer];
  Join(g_setup.dest_dir, folder, "lib");
  Join(output, folder, "out");
  Check(LoadExtractionLibrary(), "load lib\\dunzipnt.dll and find dunzip");

  Check(ExtractMember(nullptr, Join(path, folder, "good.zip"), output) == kUnzipOk,
        "extract good.zip");
  long extracted = ReadAll(Join(path, output, "MEMBER.DAT"), g_extracted, sizeof g_extracted);
  long reference = ReadAll(Join(path, folder, "ref\\MEMBER.DAT"), g_reference, sizeof g_reference);
  Check(extracted > 0 && extracted == reference &&
            memcmp(g_extracted, g_reference, static_cast<size_t>(extracted)) == 0,
        "the extracted bytes are the member's");
  PlatFile file = PlatOpenFile(Join(path, output, "MEMBER.DAT"), kOpenRead);
  uint32_t time = PlatGetFileDosTime(file);
  PlatCloseFile(file);
  if (time != kMemberDosTime) printf("extracted time %08x, stored %08x\n", time, kMemberDosTime);
  Check(time == kMemberDosTime, "the extracted file has the member's date and time");

  Check(ExtractMember(nullptr, Join(path, folder, "badcrc.zip"), output) == kUnzipBadCrc,
        "a bad CRC gives 39");
  Check(PlatGetFileAttributes(Join(path, output, "BAD.DAT")) == kPlatNoAttributes,
        "nothing is left of a member with a bad CRC");
  Check(ExtractMember(nullptr, Join(path, folder, "evil.zip"), output) == kUnzipMalformed,
        "a name with .. gives 3");
  Check(PlatGetFileAttributes(Join(path, folder, "EVIL.TXT")) == kPlatNoAttributes,
        "nothing is written outside the output folder");
  UnloadExtractionLibrary();
  printf("%s\n", failures == 0 ? "extraction: all checks passed" : "extraction: checks failed");
  return failures == 0 ? 0 : 1;
}
