// Profile strings over KERNEL32. A read goes through a buffer longer than any path, so that a
// value the caller's buffer cannot hold is told apart from one that just fits.
#include <windows.h>

#include "platform/profile.h"
#include "platform/types.h"

uint32_t PlatGetProfileString(const char* section, const char* key, const char* default_text,
                              char* out, uint32_t size) {
  if (size == 0) return 0;
  out[0] = '\0';
  char value[4 * kPathBuffer];
  DWORD length = GetProfileStringA(section, key, default_text, value, sizeof value);
  if (length >= sizeof value - 1 || length >= size) return 0;
  CopyMemory(out, value, length + 1);
  return length;
}

int PlatWriteProfileString(const char* section, const char* key, const char* value) {
  return WriteProfileStringA(section, key, value) != 0;
}

int PlatWritePrivateProfileString(const char* section, const char* key, const char* value,
                                  const char* file) {
  return WritePrivateProfileStringA(section, key, value, file) != 0;
}
