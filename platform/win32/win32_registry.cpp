// The registry over ADVAPI32: every call is the Win32 call with KEY_ALL_ACCESS, its error code
// returned as it comes.
#include <windows.h>

#include "platform/registry.h"
#include "platform/types.h"

namespace {

HKEY Key(PlatRegKey key) {
  return reinterpret_cast<HKEY>(key);
}

}  // namespace

uint32_t PlatRegOpenKey(PlatRegKey root, const char* subkey, PlatRegKey* out) {
  HKEY opened = nullptr;
  LONG code = RegOpenKeyExA(Key(root), subkey, 0, KEY_ALL_ACCESS, &opened);
  *out = code == ERROR_SUCCESS ? reinterpret_cast<PlatRegKey>(opened) : kRegNoKey;
  return static_cast<uint32_t>(code);
}

uint32_t PlatRegCreateKey(PlatRegKey root, const char* subkey, PlatRegKey* out) {
  HKEY created = nullptr;
  DWORD disposition = 0;
  LONG code = RegCreateKeyExA(Key(root), subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &created, &disposition);
  *out = code == ERROR_SUCCESS ? reinterpret_cast<PlatRegKey>(created) : kRegNoKey;
  return static_cast<uint32_t>(code);
}

uint32_t PlatRegCloseKey(PlatRegKey key) {
  return static_cast<uint32_t>(RegCloseKey(Key(key)));
}

uint32_t PlatRegQueryInfoKey(PlatRegKey key, PlatRegKeyInfo* info) {
  char class_name[kPathBuffer];  // the key's class, not used
  DWORD class_size = sizeof class_name;
  DWORD values = 0;
  DWORD longest_name = 0;
  DWORD longest_data = 0;
  LONG code = RegQueryInfoKeyA(Key(key), class_name, &class_size, nullptr, nullptr, nullptr,
                               nullptr, &values, &longest_name, &longest_data, nullptr, nullptr);
  info->values = values;
  info->longest_name = longest_name;
  info->longest_data = longest_data;
  return static_cast<uint32_t>(code);
}

uint32_t PlatRegEnumValue(PlatRegKey key, uint32_t index, char* name, uint32_t* name_size,
                          uint8_t* data, uint32_t* data_size) {
  DWORD name_length = *name_size;
  DWORD data_length = *data_size;
  LONG code =
      RegEnumValueA(Key(key), index, name, &name_length, nullptr, nullptr, data, &data_length);
  *name_size = name_length;
  *data_size = data_length;
  return static_cast<uint32_t>(code);
}

uint32_t PlatRegSetString(PlatRegKey key, const char* value_name, const char* text) {
  return static_cast<uint32_t>(RegSetValueExA(Key(key), value_name, 0, REG_SZ,
                                              reinterpret_cast<const BYTE*>(text),
                                              static_cast<DWORD>(lstrlenA(text) + 1)));
}

uint32_t PlatRegDeleteValue(PlatRegKey key, const char* value_name) {
  return static_cast<uint32_t>(RegDeleteValueA(Key(key), value_name));
}

uint32_t PlatRegDeleteKey(PlatRegKey root, const char* subkey) {
  // Windows 95 deletes a key's subkeys with it: a key that has any is refused here.
  HKEY key;
  LONG code = RegOpenKeyExA(Key(root), subkey, 0, KEY_READ, &key);
  if (code != ERROR_SUCCESS) return static_cast<uint32_t>(code);
  char name[4];
  DWORD name_size = sizeof name;
  FILETIME written;
  code = RegEnumKeyExA(key, 0, name, &name_size, nullptr, nullptr, nullptr, &written);
  RegCloseKey(key);
  if (code == ERROR_SUCCESS || code == ERROR_MORE_DATA) return ERROR_ACCESS_DENIED;
  return static_cast<uint32_t>(RegDeleteKeyA(Key(root), subkey));
}
