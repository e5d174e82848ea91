// The registry of the simulated machine: keys and values in tables, read from the REGEDIT4 file
// <root>/registry.reg when the machine opens and written back to it (through a new file and a
// rename) after every change, so that the file is always the whole registry. Key and value
// names compare without regard to case and keep the spelling they were created with.
#include <unistd.h>

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_backend.h"
#include "platform/registry.h"

namespace {

const int kKeyMax = 256;
const int kValueMax = 1024;
const int kOpenMax = 32;
const size_t kKeyPathMax = 512;    // root name and subkeys, NUL included
const size_t kKeyNameMax = 255;    // characters of one key name
const size_t kValueNameMax = 256;  // a value name, NUL included
const uint32_t kDataMax = 16384;   // bytes of one value's data
const uintptr_t kFirstHandle = 0x6000;
const uint32_t kRegSz = 1;
const uint32_t kRegBinary = 3;
const uint32_t kRegDword = 4;
const uint32_t kInvalidHandle = 6;      // ERROR_INVALID_HANDLE
const uint32_t kNotEnoughMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
const uint32_t kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
const uint32_t kBadPathName = 161;      // ERROR_BAD_PATHNAME
const uint32_t kCannotWrite = 1013;     // ERROR_CANTWRITE
const size_t kHexLineWidth = 76;        // where a hex list is continued on the next line

struct Root {
  const char* name;
  PlatRegKey handle;
};
const Root kRoots[] = {{"HKEY_CLASSES_ROOT", 0x80000000u},
                       {"HKEY_CURRENT_USER", kRegCurrentUser},
                       {"HKEY_LOCAL_MACHINE", kRegLocalMachine},
                       {"HKEY_USERS", 0x80000003u},
                       {"HKEY_CURRENT_CONFIG", 0x80000005u}};
const int kRootCount = sizeof kRoots / sizeof kRoots[0];

struct Value {
  int key;
  char name[kValueNameMax];
  uint32_t type;
  uint32_t size;
  uint8_t* data;  // malloc, size bytes (null when size is 0)
};

// Keys in the order they were made (a key's parents always before it); the first kRootCount
// are the roots. open holds key index + 1 for each handle given out, 0 for a free slot.
struct Registry {
  char keys[kKeyMax][kKeyPathMax];
  int key_count;
  Value values[kValueMax];
  int value_count;
  int open[kOpenMax];
};
Registry g_registry;

// A growing text for the file being read or written.
struct Text {
  char* bytes;
  size_t length;
  size_t capacity;
};

int Append(Text* text, const char* bytes, size_t length) {
  if (text->length + length + 1 > text->capacity) {
    size_t capacity = (text->length + length + 1) * 2;
    char* grown = static_cast<char*>(realloc(text->bytes, capacity));
    if (grown == nullptr) return 0;
    text->bytes = grown;
    text->capacity = capacity;
  }
  memcpy(text->bytes + text->length, bytes, length);
  text->length += length;
  text->bytes[text->length] = '\0';
  return 1;
}

int AppendText(Text* text, const char* bytes) {
  return Append(text, bytes, strlen(bytes));
}

void ResetTables() {
  for (int i = 0; i < g_registry.value_count; ++i) free(g_registry.values[i].data);
  memset(&g_registry, 0, sizeof g_registry);
  for (const Root& root : kRoots) {
    HostCopyText(g_registry.keys[g_registry.key_count++], kKeyPathMax, root.name);
  }
}

int FindKey(const char* path) {
  for (int i = 0; i < g_registry.key_count; ++i) {
    if (HostSameNoCase(g_registry.keys[i], path)) return i;
  }
  return -1;
}

int FindValue(int key, const char* name) {
  for (int i = 0; i < g_registry.value_count; ++i) {
    if (g_registry.values[i].key == key && HostSameNoCase(g_registry.values[i].name, name)) {
      return i;
    }
  }
  return -1;
}

// The key a handle stands for: a predefined root or a handle given out; -1 for none.
int KeyOfHandle(PlatRegKey handle) {
  for (int i = 0; i < kRootCount; ++i) {
    if (kRoots[i].handle == handle) return i;
  }
  if (handle < kFirstHandle || handle >= kFirstHandle + kOpenMax) return -1;
  return g_registry.open[handle - kFirstHandle] - 1;
}

// The full path of subkey under the key base. Every name must be 1 to 255 characters: an empty
// name (a leading, doubled or trailing "\") is a bad path, as is a path too long to keep.
uint32_t SubkeyPath(int base, const char* subkey, char* out) {
  if (!HostCopyText(out, kKeyPathMax, g_registry.keys[base])) return kBadPathName;
  if (subkey == nullptr || *subkey == '\0') return kRegSuccess;
  for (const char* name = subkey;;) {
    const char* end = strchr(name, '\\');
    size_t length = end != nullptr ? static_cast<size_t>(end - name) : strlen(name);
    size_t used = strlen(out);
    if (length == 0 || length > kKeyNameMax || used + 1 + length >= kKeyPathMax) {
      out[0] = '\0';
      return kBadPathName;
    }
    out[used] = '\\';
    memcpy(out + used + 1, name, length);
    out[used + 1 + length] = '\0';
    if (end == nullptr) return kRegSuccess;
    name = end + 1;
  }
}

// Adds the key and every missing key above it; its index, or -1 when the table is full.
int AddKey(const char* path) {
  char prefix[kKeyPathMax];
  HostCopyText(prefix, sizeof prefix, path);
  for (char* at = strchr(prefix, '\\');; at = strchr(at + 1, '\\')) {
    if (at != nullptr) *at = '\0';
    int key = FindKey(prefix);
    if (key < 0) {
      if (g_registry.key_count == kKeyMax) return -1;
      key = g_registry.key_count++;
      HostCopyText(g_registry.keys[key], kKeyPathMax, prefix);
    }
    if (at == nullptr) return key;
    *at = '\\';
  }
}

// Sets the value (replacing one of the same name, whose spelling stays); 0 when the table is
// full or memory is short.
int SetValue(int key, const char* name, uint32_t type, const uint8_t* data, uint32_t size) {
  int index = FindValue(key, name);
  if (index < 0 && g_registry.value_count == kValueMax) return 0;
  uint8_t* copy = nullptr;
  if (size > 0) {
    copy = static_cast<uint8_t*>(malloc(size));
    if (copy == nullptr) return 0;
    memcpy(copy, data, size);
  }
  if (index < 0) {
    index = g_registry.value_count++;
    Value& added = g_registry.values[index];
    added.key = key;
    HostCopyText(added.name, sizeof added.name, name);
    added.data = nullptr;
  }
  Value& value = g_registry.values[index];
  free(value.data);
  value.type = type;
  value.size = size;
  value.data = copy;
  return 1;
}

// Removes the value at index from the table.
void RemoveValue(int index) {
  free(g_registry.values[index].data);
  for (int i = index + 1; i < g_registry.value_count; ++i) {
    g_registry.values[i - 1] = g_registry.values[i];
  }
  --g_registry.value_count;
}

// Removes the key at index with its values; later keys, values and handles move down by one.
void RemoveKey(int key) {
  for (int i = g_registry.value_count; i-- > 0;) {
    if (g_registry.values[i].key == key) RemoveValue(i);
  }
  for (int i = 0; i < g_registry.value_count; ++i) {
    if (g_registry.values[i].key > key) --g_registry.values[i].key;
  }
  for (int i = key + 1; i < g_registry.key_count; ++i) {
    memcpy(g_registry.keys[i - 1], g_registry.keys[i], kKeyPathMax);
  }
  --g_registry.key_count;
  for (int& slot : g_registry.open) {
    if (slot == key + 1) {
      slot = 0;
    } else if (slot > key + 1) {
      --slot;
    }
  }
}

// 1 when some key lies below the key at index.
int HasSubkeys(int key) {
  size_t length = strlen(g_registry.keys[key]);
  for (int i = 0; i < g_registry.key_count; ++i) {
    if (strlen(g_registry.keys[i]) > length && g_registry.keys[i][length] == '\\' &&
        strncasecmp(g_registry.keys[i], g_registry.keys[key], length) == 0) {
      return 1;
    }
  }
  return 0;
}

// ---- Writing registry.reg.

int RegistryFile(const char* name, char* out, size_t size) {
  const char* root = HostMachineRoot();
  return root != nullptr && HostCopyText(out, size, root) && HostAppendText(out, size, "/") &&
         HostAppendText(out, size, name);
}

// A name or string between quotes, with "\" and '"' escaped as REGEDIT4 writes them.
int AppendQuoted(Text* text, const char* bytes, size_t length) {
  if (!AppendText(text, "\"")) return 0;
  for (size_t i = 0; i < length; ++i) {
    if ((bytes[i] == '\\' || bytes[i] == '"') && !AppendText(text, "\\")) return 0;
    if (!Append(text, bytes + i, 1)) return 0;
  }
  return AppendText(text, "\"");
}

// A REG_SZ that ends with its only NUL and holds no control character is written as a string.
int IsPlainString(const Value& value) {
  if (value.type != kRegSz || value.size == 0 || value.data[value.size - 1] != 0) return 0;
  for (uint32_t i = 0; i + 1 < value.size; ++i) {
    if (value.data[i] < 0x20 || value.data[i] == 0x7F) return 0;
  }
  return 1;
}

int AppendValue(Text* text, const Value& value) {
  int ok = value.name[0] == '\0' ? AppendText(text, "@")
                                 : AppendQuoted(text, value.name, strlen(value.name));
  ok = ok && AppendText(text, "=");
  char piece[32];
  if (IsPlainString(value)) {
    return ok && AppendQuoted(text, reinterpret_cast<const char*>(value.data), value.size - 1) &&
           AppendText(text, "\r\n");
  }
  if (value.type == kRegDword && value.size == 4) {
    uint32_t number = static_cast<uint32_t>(value.data[0] | value.data[1] << 8 |
                                            value.data[2] << 16 | value.data[3] << 24);
    snprintf(piece, sizeof piece, "dword:%08x\r\n", number);
    return ok && AppendText(text, piece);
  }
  if (value.type == kRegBinary) {
    snprintf(piece, sizeof piece, "hex:");
  } else {
    snprintf(piece, sizeof piece, "hex(%x):", value.type);
  }
  ok = ok && AppendText(text, piece);
  size_t line = strlen(value.name) + 3 + strlen(piece);
  for (uint32_t i = 0; ok && i < value.size; ++i) {
    snprintf(piece, sizeof piece, "%02x", value.data[i]);
    if (i > 0 && line + 3 > kHexLineWidth) {
      ok = AppendText(text, ",\\\r\n  ");
      line = 2;
    } else if (i > 0) {
      ok = AppendText(text, ",");
      ++line;
    }
    ok = ok && AppendText(text, piece);
    line += 2;
  }
  return ok && AppendText(text, "\r\n");
}

int AppendRegistry(Text* text) {
  int ok = AppendText(text, "REGEDIT4\r\n");
  for (int key = 0; ok && key < g_registry.key_count; ++key) {
    int has_values = 0;
    for (int i = 0; i < g_registry.value_count; ++i) has_values |= g_registry.values[i].key == key;
    if (key < kRootCount && !has_values) continue;
    ok = AppendText(text, "\r\n[") && AppendText(text, g_registry.keys[key]) &&
         AppendText(text, "]\r\n");
    for (int i = 0; ok && i < g_registry.value_count; ++i) {
      if (g_registry.values[i].key == key) ok = AppendValue(text, g_registry.values[i]);
    }
  }
  return ok;
}

// Writes the whole registry; 0 (recorded) when the file cannot be written.
int SaveRegistry() {
  char path[kHostPathMax];
  char fresh[kHostPathMax];
  Text text = {nullptr, 0, 0};
  int ok = RegistryFile("registry.reg", path, sizeof path) &&
           RegistryFile("registry.reg.new", fresh, sizeof fresh) && AppendRegistry(&text);
  FILE* file = ok ? fopen(fresh, "wb") : nullptr;
  if (file != nullptr) {
    ok = fwrite(text.bytes, 1, text.length, file) == text.length;
    ok = fclose(file) == 0 && ok;
    ok = ok && rename(fresh, path) == 0;
    if (!ok) unlink(fresh);
  } else {
    ok = 0;
  }
  free(text.bytes);
  if (!ok) HostTranscript("registry-write-failed");
  return ok;
}

// ---- Reading registry.reg.

void LoadError(uint32_t line, const char* reason) {
  HostTranscript("registry-error line %u: %s", line, reason);
}

// A quoted name or string at *at: '"', the text with "\\" and "\"" unescaped (any other
// backslash stands as it is), '"'. Leaves *at after the closing quote; 0 when malformed or
// longer than size - 1.
int ReadQuoted(const char** at, char* out, size_t size, size_t* length) {
  const char* c = *at;
  if (*c++ != '"') return 0;
  size_t used = 0;
  for (; *c != '"'; ++c) {
    if (*c == '\0' || used + 1 >= size) return 0;
    if (*c == '\\' && (c[1] == '\\' || c[1] == '"')) ++c;
    out[used++] = *c;
  }
  out[used] = '\0';
  *length = used;
  *at = c + 1;
  return 1;
}

int HexDigit(char c) {
  c = HostUpper(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "aa,bb,..." (blanks allowed around the bytes) into data; 0 when malformed or too long.
int ReadHexList(const char* at, uint8_t* data, uint32_t* size) {
  uint32_t count = 0;
  while (*at == ' ' || *at == '\t') ++at;
  while (*at != '\0') {
    int high = HexDigit(at[0]);
    int low = high >= 0 ? HexDigit(at[1]) : -1;
    if (low < 0 || count == kDataMax) return 0;
    data[count++] = static_cast<uint8_t>(high * 16 + low);
    at += 2;
    while (*at == ' ' || *at == '\t') ++at;
    if (*at == ',') {
      ++at;
      while (*at == ' ' || *at == '\t') ++at;
      if (*at == '\0') return 0;
    } else if (*at != '\0') {
      return 0;
    }
  }
  *size = count;
  return 1;
}

// The data after "=": a string, dword:XXXXXXXX, hex:... or hex(TYPE):...
int ReadData(const char* at, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (*at == '"') {
    size_t length = 0;
    if (!ReadQuoted(&at, reinterpret_cast<char*>(data), kDataMax, &length) || *at != '\0') {
      return 0;
    }
    *type = kRegSz;
    *size = static_cast<uint32_t>(length + 1);
    return 1;
  }
  if (strncmp(at, "dword:", 6) == 0) {
    uint64_t number = 0;
    char digits[16];
    if (strlen(at + 6) > 8 || !HostCopyText(digits, sizeof digits, "0x") ||
        !HostAppendText(digits, sizeof digits, at + 6) || !HostParseNumber(digits, &number)) {
      return 0;
    }
    for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(number >> (8 * i));
    *type = kRegDword;
    *size = 4;
    return 1;
  }
  if (strncmp(at, "hex:", 4) == 0) {
    *type = kRegBinary;
    return ReadHexList(at + 4, data, size);
  }
  if (strncmp(at, "hex(", 4) == 0) {
    char* end = nullptr;
    unsigned long number = strtoul(at + 4, &end, 16);
    if (end == at + 4 || end[0] != ')' || end[1] != ':' || number > 0xFFFFFFFFul) return 0;
    *type = static_cast<uint32_t>(number);
    return ReadHexList(end + 2, data, size);
  }
  return 0;
}

// "[PATH]": the key, made with its parents; -1 (recorded) when it cannot be.
int ReadKeyLine(char* text, uint32_t line) {
  size_t length = strlen(text);
  if (length < 3 || text[length - 1] != ']' || text[1] == '-') {
    LoadError(line, "malformed key");
    return -1;
  }
  text[length - 1] = '\0';
  char* path = text + 1;
  char* first = strchr(path, '\\');
  if (first != nullptr) *first = '\0';
  int root = FindKey(path);
  if (root < 0 || root >= kRootCount) {
    LoadError(line, "unknown root key");
    return -1;
  }
  char full[kKeyPathMax];
  if (SubkeyPath(root, first != nullptr ? first + 1 : nullptr, full) != kRegSuccess) {
    LoadError(line, "bad key path");
    return -1;
  }
  int key = AddKey(full);
  if (key < 0) LoadError(line, "too many keys");
  return key;
}

void ReadValueLine(const char* text, int key, uint32_t line, uint8_t* data) {
  char name[kValueNameMax];
  size_t length = 0;
  const char* at = text;
  if (*at == '@') {
    name[0] = '\0';
    ++at;
  } else if (!ReadQuoted(&at, name, sizeof name, &length)) {
    LoadError(line, "malformed value name");
    return;
  }
  while (*at == ' ' || *at == '\t') ++at;
  if (*at++ != '=') {
    LoadError(line, "malformed value");
    return;
  }
  while (*at == ' ' || *at == '\t') ++at;
  uint32_t type = 0;
  uint32_t size = 0;
  if (key < 0) {
    LoadError(line, "value outside a key");
  } else if (!ReadData(at, &type, data, &size)) {
    LoadError(line, "malformed or too long data");
  } else if (!SetValue(key, name, type, data, size)) {
    LoadError(line, "too many values");
  }
}

// The next logical line: a line, and while it ends with "\" (a hex list goes on), the lines
// that continue it. 0 at the end of the file.
int NextEntry(FILE* file, Text* entry, char** line, size_t* capacity, uint32_t* number) {
  entry->length = 0;
  int more = 0;
  do {
    if (getline(line, capacity, file) < 0) return entry->length > 0;
    ++*number;
    char* text = HostTrim(*line);
    size_t length = strlen(text);
    more = length > 0 && text[length - 1] == '\\' &&
           (entry->length > 0 || strstr(text, "=hex") != nullptr);
    if (more) text[--length] = '\0';
    if (!Append(entry, text, length)) return 0;
  } while (more);
  return 1;
}

void LoadRegistry(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return;
  Text entry = {nullptr, 0, 0};
  char* line = nullptr;
  size_t capacity = 0;
  uint32_t number = 0;
  int header = 0;
  int key = -1;
  uint8_t* data = static_cast<uint8_t*>(malloc(kDataMax));
  while (data != nullptr && NextEntry(file, &entry, &line, &capacity, &number)) {
    char* text = entry.bytes;
    if (*text == '\0' || *text == ';') continue;
    if (!header) {
      header = strcmp(text, "REGEDIT4") == 0;
      if (!header) {
        LoadError(number, "no REGEDIT4 header");
        break;
      }
    } else if (*text == '[') {
      key = ReadKeyLine(text, number);
    } else {
      ReadValueLine(text, key, number, data);
    }
  }
  free(data);
  free(line);
  free(entry.bytes);
  fclose(file);
}

// Gives out a handle for the key; 8 when every handle is in use.
uint32_t Admit(int key, PlatRegKey* out) {
  for (int slot = 0; slot < kOpenMax; ++slot) {
    if (g_registry.open[slot] == 0) {
      g_registry.open[slot] = key + 1;
      *out = kFirstHandle + static_cast<PlatRegKey>(slot);
      return kRegSuccess;
    }
  }
  return kNotEnoughMemory;
}

// The path of subkey under root, when the fault plan lets the program at it; out is emptied.
uint32_t KeyAccess(PlatRegKey root, const char* subkey, char* path, PlatRegKey* out) {
  *out = kRegNoKey;
  int base = KeyOfHandle(root);
  if (base < 0) return kInvalidHandle;
  uint32_t code = SubkeyPath(base, subkey, path);
  if (code != kRegSuccess) return code;
  return HostFaultFires(kFaultRegistryDenied, path) ? kRegAccessDenied : kRegSuccess;
}

}  // namespace

void HostLoadRegistry() {
  ResetTables();
  char path[kHostPathMax];
  if (RegistryFile("registry.reg", path, sizeof path)) LoadRegistry(path);
}

void HostCloseRegistry() {
  for (int slot = 0; slot < kOpenMax; ++slot) {
    if (g_registry.open[slot] != 0) {
      HostTranscript("registry-key-left-open \"%s\"", g_registry.keys[g_registry.open[slot] - 1]);
    }
  }
  ResetTables();
}

uint32_t PlatRegOpenKey(PlatRegKey root, const char* subkey, PlatRegKey* out) {
  char path[kKeyPathMax];
  uint32_t code = KeyAccess(root, subkey, path, out);
  if (code != kRegSuccess) return code;
  int key = FindKey(path);
  return key < 0 ? kRegFileNotFound : Admit(key, out);
}

uint32_t PlatRegCreateKey(PlatRegKey root, const char* subkey, PlatRegKey* out) {
  char path[kKeyPathMax];
  uint32_t code = KeyAccess(root, subkey, path, out);
  if (code != kRegSuccess) return code;
  int key = FindKey(path);
  if (key < 0) {
    key = AddKey(path);
    if (key < 0) return kNotEnoughMemory;
    if (!SaveRegistry()) return kCannotWrite;
  }
  return Admit(key, out);
}

uint32_t PlatRegCloseKey(PlatRegKey key) {
  if (KeyOfHandle(key) < 0) return kInvalidHandle;
  if (key >= kFirstHandle) g_registry.open[key - kFirstHandle] = 0;
  return kRegSuccess;
}

uint32_t PlatRegQueryInfoKey(PlatRegKey handle, PlatRegKeyInfo* info) {
  *info = PlatRegKeyInfo();
  int key = KeyOfHandle(handle);
  if (key < 0) return kInvalidHandle;
  for (int i = 0; i < g_registry.value_count; ++i) {
    const Value& value = g_registry.values[i];
    if (value.key != key) continue;
    ++info->values;
    uint32_t name_length = static_cast<uint32_t>(strlen(value.name));
    if (name_length > info->longest_name) info->longest_name = name_length;
    if (value.size > info->longest_data) info->longest_data = value.size;
  }
  return kRegSuccess;
}

uint32_t PlatRegEnumValue(PlatRegKey handle, uint32_t index, char* name, uint32_t* name_size,
                          uint8_t* data, uint32_t* data_size) {
  int key = KeyOfHandle(handle);
  if (key < 0) return kInvalidHandle;
  uint32_t seen = 0;
  for (int i = 0; i < g_registry.value_count; ++i) {
    const Value& value = g_registry.values[i];
    if (value.key != key || seen++ != index) continue;
    uint32_t name_length = static_cast<uint32_t>(strlen(value.name));
    if (name_length + 1 > *name_size || value.size > *data_size) return kRegMoreData;
    memcpy(name, value.name, name_length + 1);
    if (value.size > 0) memcpy(data, value.data, value.size);
    *name_size = name_length;
    *data_size = value.size;
    return kRegSuccess;
  }
  return kRegNoMoreItems;
}

uint32_t PlatRegSetString(PlatRegKey handle, const char* value_name, const char* text) {
  int key = KeyOfHandle(handle);
  if (key < 0) return kInvalidHandle;
  if (value_name == nullptr) value_name = "";
  size_t size = strlen(text) + 1;
  if (strlen(value_name) >= kValueNameMax || size > kDataMax) return kInvalidParameter;
  char path[kKeyPathMax + kValueNameMax];
  snprintf(path, sizeof path, "%s\\%s", g_registry.keys[key], value_name);
  if (HostFaultFires(kFaultRegistryDenied, path)) return kRegAccessDenied;
  if (!SetValue(key, value_name, kRegSz, reinterpret_cast<const uint8_t*>(text),
                static_cast<uint32_t>(size))) {
    return kNotEnoughMemory;
  }
  return SaveRegistry() ? kRegSuccess : kCannotWrite;
}

uint32_t PlatRegDeleteValue(PlatRegKey handle, const char* value_name) {
  int key = KeyOfHandle(handle);
  if (key < 0) return kInvalidHandle;
  int index = FindValue(key, value_name != nullptr ? value_name : "");
  if (index < 0) return kRegFileNotFound;
  RemoveValue(index);
  return SaveRegistry() ? kRegSuccess : kCannotWrite;
}

uint32_t PlatRegDeleteKey(PlatRegKey root, const char* subkey) {
  char path[kKeyPathMax];
  PlatRegKey unused;
  uint32_t code = KeyAccess(root, subkey, path, &unused);
  if (code != kRegSuccess) return code;
  int key = FindKey(path);
  if (key < kRootCount) return kRegFileNotFound;  // no such key, or a root
  if (HasSubkeys(key)) return kRegAccessDenied;
  RemoveKey(key);
  return SaveRegistry() ? kRegSuccess : kCannotWrite;
}
