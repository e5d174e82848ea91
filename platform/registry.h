// The registry, with Win32 semantics (ADVAPI32: RegOpenKeyExA, RegCreateKeyExA,
// RegQueryInfoKeyA, RegEnumValueA, RegSetValueExA, RegCloseKey). Values are written as strings
// (REG_SZ) only; values of any type are read.
//
// Contract: every call returns a Windows error code: 0 success, 2 the key does not exist, 234 a
// buffer is too small, 259 no value at that index, 5 access denied, others as the registry
// gives them. Keys are opened and created with KEY_ALL_ACCESS, and the caller closes every key
// it opened or created. Key and value names compare without regard to case. The host backend
// keeps the registry as a REGEDIT4 file in the machine folder (docs/host-machine.md).
#pragma once

#include <cstdint>

typedef uintptr_t PlatRegKey;  // an HKEY: a predefined root or a key opened by these calls
const PlatRegKey kRegNoKey = 0;
const PlatRegKey kRegCurrentUser = 0x80000001u;   // HKEY_CURRENT_USER
const PlatRegKey kRegLocalMachine = 0x80000002u;  // HKEY_LOCAL_MACHINE

const uint32_t kRegSuccess = 0;
const uint32_t kRegFileNotFound = 2;          // ERROR_FILE_NOT_FOUND
const uint32_t kRegAccessDenied = 5;          // ERROR_ACCESS_DENIED
const uint32_t kRegInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
const uint32_t kRegMoreData = 234;            // ERROR_MORE_DATA
const uint32_t kRegNoMoreItems = 259;         // ERROR_NO_MORE_ITEMS

// RegOpenKeyExA: the existing subkey of root (an empty subkey opens root again).
uint32_t PlatRegOpenKey(PlatRegKey root, const char* subkey, PlatRegKey* out);
// RegCreateKeyExA with no class, non-volatile, default security: creates the subkey and every
// missing key above it, or opens it when it exists.
uint32_t PlatRegCreateKey(PlatRegKey root, const char* subkey, PlatRegKey* out);
uint32_t PlatRegCloseKey(PlatRegKey key);

// RegQueryInfoKeyA: how many values the key has, the longest value name in characters (NUL
// apart) and the longest value data in bytes.
struct PlatRegKeyInfo {
  uint32_t values;
  uint32_t longest_name;
  uint32_t longest_data;
};
uint32_t PlatRegQueryInfoKey(PlatRegKey key, PlatRegKeyInfo* info);

// RegEnumValueA of the value at index: *name_size and *data_size give the buffers' sizes in
// bytes and come back as the name's length (NUL apart) and the data's length. The value's type
// is not reported; its data are copied as they are stored.
uint32_t PlatRegEnumValue(PlatRegKey key, uint32_t index, char* name, uint32_t* name_size,
                          uint8_t* data, uint32_t* data_size);

// RegDeleteValueA: 0, or 2 when the key has no such value.
uint32_t PlatRegDeleteValue(PlatRegKey key, const char* value_name);
// RegDeleteKeyA of a key that has no subkeys (its values go with it): 0; 2 when it does not
// exist. The core deletes only keys it made itself, after deleting what it put in them.
uint32_t PlatRegDeleteKey(PlatRegKey root, const char* subkey);
// RegSetValueExA with REG_SZ: the text and its terminating NUL. value_name "" is the key's
// default value.
uint32_t PlatRegSetString(PlatRegKey key, const char* value_name, const char* text);
