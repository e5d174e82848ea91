// Checks the Win32 platform backend against the real API under Wine in Windows 95 mode: the
// file calls (unsigned seeks past 2 GB, exclusive opens, attributes, find), the "does not fit
// is a failure" rule of text results, the machine queries and the payload marker resource.
// A console program run by backend_test.sh with a scratch directory (a Windows path) that the
// script creates empty and removes; prints each failed check and exits 1 when any failed.
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/global_memory.h"
#include "platform/system.h"

static int failures = 0;

static void Check(int ok, const char* what) {
  if (!ok) {
    printf("FAIL: %s\n", what);
    ++failures;
  }
}

// Joins directory and name into out (kPathBuffer bytes); the names used here always fit.
static const char* Join(char* out, const char* directory, const char* name) {
  snprintf(out, kPathBuffer, "%s\\%s", directory, name);
  return out;
}

static void CheckReadWriteSeek(const char* directory) {
  char path[kPathBuffer];
  Join(path, directory, "data.bin");
  PlatFile file = PlatCreateFile(path);
  Check(file != kPlatNoFile, "create a file");
  Check(PlatWriteFile(file, "hello", 5) == 5, "write 5 bytes");
  Check(PlatSeekFile(file, 0, kSeekEnd) == 5, "seek to the end");
  Check(PlatSeekFile(file, 1, kSeekBegin) == 1, "seek from the start");
  char text[8] = "";
  Check(PlatReadFile(file, text, 8) == 4 && memcmp(text, "ello", 4) == 0, "short read at end");
  Check(PlatGetFileSize(file) == 5, "file size");
  Check(PlatGetFileDosTime(file) != 0, "DOS time of the last write");
  Check(PlatSeekFile(file, 0xC0000000u, kSeekBegin) == 0xC0000000u, "seek to 3 GB");
  Check(PlatSeekFile(file, 0x80000000u, kSeekCurrent) == kPlatFileError, "seek past 4 GB fails");
  Check(PlatCloseFile(file), "close");

  file = PlatOpenFile(path, kOpenRead);
  Check(file != kPlatNoFile, "open for reading");
  Check(PlatWriteFile(file, "x", 1) == kPlatFileError, "no write to a file opened for reading");
  Check(PlatOpenExclusive(path) == kPlatNoFile, "no exclusive open while open elsewhere");
  PlatCloseFile(file);
  file = PlatOpenExclusive(path);
  Check(file != kPlatNoFile, "exclusive open once closed");
  Check(PlatCloseFile(file), "close the exclusive handle");
  Check(PlatOpenFile(Join(path, directory, "missing.bin"), kOpenRead) == kPlatNoFile,
        "no open of a missing file");
}

static void CheckPathOperations(const char* directory) {
  char from[kPathBuffer];
  char to[kPathBuffer];
  Join(from, directory, "data.bin");
  Join(to, directory, "copy.bin");
  Check(PlatCopyFile(from, to, 1), "copy");
  Check(!PlatCopyFile(from, to, 1), "no copy over an existing file when told so");
  Check(PlatCopyFile(from, to, 0), "copy over an existing file");
  Check(PlatSetFileAttributes(to, kAttrReadOnly), "set read-only");
  Check((PlatGetFileAttributes(to) & kAttrReadOnly) != 0, "read-only reads back");
  Check(!PlatDeleteFile(to), "no delete of a read-only file");
  Check(PlatSetFileAttributes(to, kAttrNormal), "set normal");
  Check(PlatMoveFile(to, Join(from, directory, "moved.bin")), "move");
  Check(PlatGetFileAttributes(to) == kPlatNoAttributes, "moved file is gone");
  Check(PlatDeleteFile(from), "delete");
  Check(!PlatDeleteFile(from), "no delete of a missing file");
  Join(to, directory, "Sub");
  Check(PlatCreateDirectory(to), "create a directory");
  Check(!PlatCreateDirectory(to), "no second create of a directory");
  Check(PlatGetFileAttributes(to) & kAttrDirectory, "directory attribute");
}

static void CheckFind(const char* directory) {
  char pattern[kPathBuffer];
  PlatFindData found;
  int dots = 0;
  int data = 0;
  int sub = 0;
  PlatFind find = PlatFindFirst(Join(pattern, directory, "*.*"), &found);
  Check(find != nullptr, "find everything");
  for (int more = find != nullptr; more; more = PlatFindNext(find, &found)) {
    dots += strcmp(found.name, ".") == 0 || strcmp(found.name, "..") == 0;
    data += strcmp(found.name, "data.bin") == 0 && found.size == 5 && found.dos_time != 0;
    sub += strcmp(found.name, "Sub") == 0 && (found.attributes & kAttrDirectory) != 0;
  }
  PlatFindClose(find);
  Check(dots == 2 && data == 1 && sub == 1, "find reports . .. data.bin Sub");
  find = PlatFindFirst(Join(pattern, directory, "DAT?.B*"), &found);
  Check(find != nullptr && strcmp(found.name, "data.bin") == 0, "wildcards without case");
  PlatFindClose(find);
  Check(PlatFindFirst(Join(pattern, directory, "none\\*.*"), &found) == nullptr,
        "no find in a missing directory");
}

typedef uint32_t (*TextQuery)(char* out, uint32_t size);

// A text result fits a buffer of its length plus the NUL, and one byte less is a failure that
// leaves the buffer empty.
static void CheckTextFit(TextQuery query, const char* what) {
  char text[kPathBuffer];
  uint32_t length = query(text, sizeof(text));
  Check(length > 0 && length == strlen(text), what);
  char exact[kPathBuffer];
  Check(query(exact, length + 1) == length && strcmp(exact, text) == 0, what);
  memset(exact, 'x', sizeof(exact));
  Check(query(exact, length) == 0 && exact[0] == '\0', what);
}

static void CheckMachine() {
  CheckTextFit(PlatGetWindowsDirectory, "Windows directory fits exactly, or fails");
  CheckTextFit(PlatGetSystemDirectory, "system directory fits exactly, or fails");
  CheckTextFit(PlatGetModuleFileName, "module file name fits exactly, or fails");
  Check(PlatGetPlatformId() == 1, "platform id of Windows 95");
  Check(PlatGetProcessorType() != 0, "processor type");
  Check(PlatGetTotalPhysicalMemory() != 0, "physical memory");
  Check(PlatModuleLoaded("KERNEL32.DLL"), "KERNEL32 is loaded");
  Check(!PlatModuleLoaded("NOSUCH.DLL"), "an unknown module is not loaded");
  Check(PlatFindWindow("VelnetNoSuchClass") == nullptr, "no window of an unknown class");
  Check(PlatGetDriveType("C:\\") == kDriveFixed, "C: is fixed");
  PlatDiskSpace space;
  Check(PlatGetDiskFreeSpace("C:\\", &space), "free space of C:");
  Check(space.free_clusters <= space.total_clusters, "free clusters within the total");
  uint64_t cluster = static_cast<uint64_t>(space.sectors_per_cluster) * space.bytes_per_sector;
  Check(cluster * space.total_clusters <= 0xFFFFFFFFull, "total bytes fit in 32 bits");
}

static void CheckMemoryAndMarker() {
  uint8_t* block = static_cast<uint8_t*>(PlatAllocMemory(4096));
  int zero = block != nullptr;
  for (uint32_t i = 0; zero && i < 4096; ++i) zero = block[i] == 0;
  Check(zero, "zero-filled block");
  PlatFreeMemory(block);
  uint8_t marker[kPayloadMarkerSize];
  static const uint8_t kShipped[kPayloadMarkerSize] = {'_', 'D', 'a', 'd', 'u', 'Z', '_'};
  Check(PlatReadPayloadMarker(marker) && memcmp(marker, kShipped, sizeof(kShipped)) == 0,
        "payload marker resource with offset 0");
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fputs("usage: win32_backend_test SCRATCH_DIRECTORY\n", stderr);
    return 2;
  }
  CheckReadWriteSeek(argv[1]);
  CheckPathOperations(argv[1]);
  CheckFind(argv[1]);
  CheckMachine();
  CheckMemoryAndMarker();
  printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
