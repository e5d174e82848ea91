// IsEntryNameAccepted and NormaliseEntryName.
#include "services/entry_names.h"

#include <cstring>

#include "platform/device_names.h"
#include "platform/types.h"
#include "services/own_files.h"

namespace {

// 1 when one component of length characters is a name the setup may install under.
int ComponentAccepted(const char* component, size_t length) {
  size_t kept = KeptNameLength(component, length);
  if (kept == 0 || kept >= kPathBuffer || IsDeviceName(component, kept)) return 0;
  for (size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(component[i]) < 0x20 ||
        strchr("/:*?\"<>|", component[i]) != nullptr) {
      return 0;
    }
  }
  char name[kPathBuffer];
  memcpy(name, component, kept);
  name[kept] = '\0';
  return !IsProgramFileName(name);
}

}  // namespace

int IsEntryNameAccepted(const char* name) {
  for (const char* part = name;;) {
    size_t length = strcspn(part, "\\");
    if (!ComponentAccepted(part, length)) return 0;
    if (part[length] == '\0') return 1;
    part += length + 1;
  }
}

void NormaliseEntryName(char* name) {
  char* out = name;
  for (const char* part = name;;) {
    size_t length = strcspn(part, "\\");
    size_t kept = KeptNameLength(part, length);
    memmove(out, part, kept);
    out += kept;
    if (part[length] == '\0') break;
    *out++ = '\\';
    part += length + 1;
  }
  *out = '\0';
}
