// RegisterHelpContents: reads the whole Windows help contents file, looks for the product's
// contents file name in it and appends the product's three lines at its very end.
#include "integration/help_contents.h"

#include <cstdint>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/types.h"
#include "services/memory.h"
#include "services/paths.h"

namespace {

const char kMarker[] = "vnt95f.cnt";
const char* const kLines[] = {":Index Velnet Help=vnt95f.hlp\r\n", ":Link vnt95f.hlp\r\n",
                              ":include vnt95f.cnt\r\n"};

int Contains(const char* bytes, uint32_t size, const char* text) {
  uint32_t length = static_cast<uint32_t>(strlen(text));
  for (uint32_t at = 0; at + length <= size; ++at) {
    if (memcmp(bytes + at, text, length) == 0) return 1;
  }
  return 0;
}

// The three lines at the end of the file; 0 when one of them was not written in full.
int AppendLines(PlatFile file) {
  if (PlatSeekFile(file, 0, kSeekEnd) == kPlatFileError) return 0;
  for (const char* line : kLines) {
    uint32_t length = static_cast<uint32_t>(strlen(line));
    if (PlatWriteFile(file, line, length) != length) return 0;
  }
  return 1;
}

}  // namespace

int RegisterHelpContents() {
  char windows_dir[kPathBuffer];
  char contents[kPathBuffer];
  if (PlatGetWindowsDirectory(windows_dir, sizeof windows_dir) == 0 ||
      JoinPath(contents, windows_dir, "Help\\Windows.cnt", nullptr) == nullptr) {
    return 0;
  }
  uint32_t size = GetFileSizeByName(contents);
  if (size == 0) return 0;
  // Held alone while it is read and amended: no other program writes between the two.
  PlatFile file = PlatOpenExclusiveReadWrite(contents);
  if (file == kPlatNoFile) return 0;
  char* bytes = static_cast<char*>(AllocBlock(size));
  uint32_t read = PlatReadFile(file, bytes, size);
  int examined = read != 0 && read != kPlatFileError;
  if (examined && !Contains(bytes, read, kMarker)) examined = AppendLines(file);
  FreeBlock(bytes);
  PlatCloseFile(file);
  return examined;
}
