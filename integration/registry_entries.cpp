// RegReadString, RegWriteString, RegSetStringChecked and RegisterUninstall. A value is looked
// up by enumerating its key's values rather than by name, so that the comparison of names is
// the program's own (without regard to case) and values of any type read as text.
#include "integration/registry_entries.h"

#include <cstring>

#include "platform/types.h"
#include "platform/windows.h"
#include "services/memory.h"
#include "services/paths.h"
#include "services/rollback.h"

const char kVelnetKey[] = "SOFTWARE\\Velnet\\VNT\\CurrentVersion";
const char kAppPathValue[] = "AppPath";

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const uint32_t kBufferSlack = 4;        // bytes added to the longest name and data
const uint32_t kCheckedRead = 256;      // what RegSetStringChecked reads of the old value
const uint32_t kCannotOpenKey = 1;      // a key could neither be opened nor created
const uint32_t kJournalledRead = 1024;  // the longest old value kept for a rollback, NUL apart

// Copies the value's data, up to its first NUL and no further than its length, into out.
uint32_t CopyValueText(const uint8_t* data, uint32_t data_size, char* out, uint32_t out_size,
                       uint32_t code) {
  uint32_t length = 0;
  while (length < data_size && data[length] != 0) ++length;
  if (length >= out_size) return kRegMoreData;
  memcpy(out, data, length);
  out[length] = '\0';
  return code;
}

// The value named value_name of the open key, by enumeration.
uint32_t FindValueText(PlatRegKey key, const char* value_name, char* out, uint32_t out_size) {
  PlatRegKeyInfo info;
  uint32_t code = PlatRegQueryInfoKey(key, &info);
  if (code != kRegSuccess) return code;
  if (info.longest_name > UINT32_MAX - kBufferSlack ||
      info.longest_data > UINT32_MAX - kBufferSlack) {
    return kRegMoreData;
  }
  uint32_t name_capacity = info.longest_name + kBufferSlack;
  uint32_t data_capacity = info.longest_data + kBufferSlack;
  char* name = static_cast<char*>(AllocBlock(name_capacity));
  uint8_t* data = static_cast<uint8_t*>(AllocBlock(data_capacity));
  PlatShowWaitCursor(1);
  uint32_t result = kRegFileNotFound;
  for (uint32_t index = 0; info.values > 0; ++index) {
    uint32_t name_size = name_capacity;
    uint32_t data_size = data_capacity;
    code = PlatRegEnumValue(key, index, name, &name_size, data, &data_size);
    if (code == kRegSuccess || code == kRegInsufficientBuffer) {
      if (!NamesEqual(name, value_name)) continue;
      result = CopyValueText(data, data_size < data_capacity ? data_size : data_capacity, out,
                             out_size, code);
      break;
    }
    if (code != kRegMoreData) {
      result = code;
      break;
    }
  }
  PlatShowWaitCursor(0);
  FreeBlock(data);
  FreeBlock(name);
  return result;
}

// Before a value is set while the run can be rolled back: its old text and the keys the write
// will make go into the journal. 0 when they cannot (the value is then not written).
int JournalValue(PlatRegKey root, const char* subkey, const char* value_name) {
  if (!RollbackActive()) return 1;
  char old[kJournalledRead];
  uint32_t code = RegReadString(root, subkey, value_name, old, sizeof old);
  // A key without the value (259) is a value the write makes, as a missing key (2) is.
  if (code != kRegSuccess && code != kRegFileNotFound && code != kRegNoMoreItems) return 0;
  return NoteRegistryValue(root, subkey, value_name, code == kRegSuccess ? old : nullptr);
}

}  // namespace

uint32_t RegReadString(PlatRegKey root, const char* subkey, const char* value_name, char* out,
                       uint32_t out_size) {
  if (out_size == 0) return kRegMoreData;
  out[0] = '\0';
  if (root == kRegNoKey) return kRegFileNotFound;
  PlatRegKey key;
  uint32_t code = PlatRegOpenKey(root, subkey, &key);
  if (code != kRegSuccess) return code;
  code = FindValueText(key, value_name, out, out_size);
  PlatRegCloseKey(key);
  return code;
}

uint32_t RegWriteString(PlatRegKey root, const char* subkey, const char* value_name,
                        const char* text) {
  if (root == kRegNoKey) return kRegFileNotFound;
  if (!JournalValue(root, subkey, value_name)) return kCannotOpenKey;
  PlatRegKey key;
  uint32_t code = PlatRegOpenKey(root, subkey, &key);
  if (code == kRegFileNotFound) {
    if (PlatRegCreateKey(root, subkey, &key) != kRegSuccess) return kCannotOpenKey;
  } else if (code != kRegSuccess) {
    return code;
  }
  code = PlatRegSetString(key, value_name, text);
  PlatRegCloseKey(key);
  return code;
}

uint32_t RegSetStringChecked(PlatRegKey root, const char* subkey, const char* value_name,
                             const char* text) {
  if (root == kRegNoKey) return kRegFileNotFound;
  if (!JournalValue(root, subkey, value_name)) return kCannotOpenKey;
  char old[kCheckedRead];
  uint32_t code = RegReadString(root, subkey, value_name, old, sizeof old);
  if (code == kRegSuccess || code == kRegMoreData || code == kRegNoMoreItems) {
    return RegWriteString(root, subkey, value_name, text);
  }
  if (code != kRegFileNotFound) return code;
  PlatRegKey key;
  if (PlatRegCreateKey(root, subkey, &key) != kRegSuccess) return kCannotOpenKey;
  PlatRegCloseKey(key);
  return RegWriteString(root, subkey, value_name, text) == kRegSuccess ? kRegSuccess
                                                                       : kCannotOpenKey;
}

int RegisterUninstall() {
  char uninstaller[kPathBuffer];
  char key[kPathBuffer];
  if (MakeDestinationPath(uninstaller, "RM_VNT.EXE") == nullptr || !FileExists(uninstaller) ||
      JoinPath(key, kUninstallKey, "Velnet", nullptr) == nullptr) {
    return 0;
  }
  RegSetStringChecked(kRegLocalMachine, key, "DisplayName", "Velnet");
  RegSetStringChecked(kRegLocalMachine, key, "UninstallString", uninstaller);
  return 1;
}
