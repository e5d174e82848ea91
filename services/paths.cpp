// Path string routines (joining, splitting, validating) and the small file-by-name queries.
#include "services/paths.h"

#include <cstdarg>
#include <cstring>

#include "platform/device_names.h"
#include "platform/files.h"
#include "platform/format.h"
#include "services/memory.h"
#include "services/setup_state.h"

char* MakeDestinationPath(char* out, const char* name) {
  size_t needed = strlen(g_setup.dest_dir) + (name[0] != '\0' ? strlen(name) + 1 : 0);
  if (needed >= kPathBuffer) {
    out[0] = '\0';
    return nullptr;
  }
  if (name[0] == '\0') {
    FormatText(out, kPathBuffer, "%s", g_setup.dest_dir);
  } else {
    FormatText(out, kPathBuffer, "%s\\%s", g_setup.dest_dir, name);
  }
  return out;
}

char* JoinPath(char* out, ...) {
  char result[kPathBuffer];
  size_t length = 0;
  int fits = 1;
  va_list parts;
  va_start(parts, out);
  for (const char* part = va_arg(parts, const char*); part != nullptr;
       part = va_arg(parts, const char*)) {
    size_t part_length = strlen(part);
    if (part_length == 0) continue;
    size_t separator = length != 0 ? 1 : 0;
    size_t kept = part[part_length - 1] == '\\' ? part_length - 1 : part_length;
    if (length + separator + kept >= kPathBuffer) {
      fits = 0;
      break;
    }
    if (separator) result[length++] = '\\';
    memcpy(result + length, part, kept);
    length += kept;
  }
  va_end(parts);
  result[length] = '\0';
  if (!fits) {
    if (out != nullptr) out[0] = '\0';
    return nullptr;
  }
  if (out == nullptr) out = static_cast<char*>(AllocBlock(static_cast<uint32_t>(length + 1)));
  memcpy(out, result, length + 1);
  return out;
}

void GetDirectoryPart(char* out, const char* path) {
  const char* last = strrchr(path, '\\');
  size_t length = last != nullptr ? static_cast<size_t>(last - path) : 0;
  if (length >= kPathBuffer) length = 0;
  memcpy(out, path, length);
  out[length] = '\0';
}

const char* GetFileNamePart(const char* path) {
  const char* last = strrchr(path, '\\');
  return last != nullptr ? last + 1 : path;
}

char* GetShortExtension(char* out, const char* path) {
  const char* dot = strrchr(path, '.');
  out[0] = '\0';
  if (dot == nullptr || strlen(dot + 1) > 3) return nullptr;
  strcpy(out, dot + 1);
  return out;
}

char* GetShortBaseName(char* out, const char* path) {
  const char* name = GetFileNamePart(path);
  size_t length = 0;
  while (length < 8 && name[length] != '\0' && name[length] != '.') {
    out[length] = name[length];
    ++length;
  }
  out[length] = '\0';
  return out;
}

int IsRelativeInside(const char* path) {
  if (path[0] == '\\' || path[0] == '/' || (path[0] != '\0' && path[1] == ':')) return 0;
  for (const char* part = path; *part != '\0';) {
    size_t length = strcspn(part, "\\/");
    if (length == 2 && part[0] == '.' && part[1] == '.') return 0;
    part += length;
    if (*part != '\0') ++part;
  }
  return 1;
}

char UpperCaseOf(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

int NamesEqual(const char* a, const char* b) {
  return SameNameNoCase(a, b);
}

void DriveRoot(int drive, char root[4]) {
  FormatText(root, 4, "%c:\\", 'A' + drive);
}

int NextDirectoryPrefix(const char* path, size_t* at, char* out) {
  size_t length = strlen(path);
  if (length >= kPathBuffer) return 0;
  size_t i = *at == 0 && length >= 3 && path[1] == ':' ? 3 : *at;
  for (; i <= length; ++i) {
    if ((path[i] != '\\' && path[i] != '\0') || i == 0) continue;
    memcpy(out, path, i);
    out[i] = '\0';
    *at = i + 1;
    return 1;
  }
  return 0;
}

int CreateDirectoryPath(const char* path) {
  char partial[kPathBuffer];
  size_t at = 0;
  int created = 0;
  while (NextDirectoryPrefix(path, &at, partial)) created = PlatCreateDirectory(partial);
  return created;
}

int FileExists(const char* path) {
  PlatFile file = PlatOpenFile(path, kOpenRead);
  if (file == kPlatNoFile) return 0;
  PlatCloseFile(file);
  return 1;
}

int PathExists(const char* path) {
  return PlatGetFileAttributes(path) != kPlatNoAttributes;
}

int IsFolder(const char* path) {
  uint32_t attributes = PlatGetFileAttributes(path);
  return attributes != kPlatNoAttributes && (attributes & kAttrDirectory) != 0;
}

void SpellAsOnDisk(const char* path, char* out) {
  size_t length = strlen(path);
  if (length >= kPathBuffer) length = kPathBuffer - 1;
  memcpy(out, path, length);
  out[length] = '\0';
  PlatFindData found;
  PlatFind find = PlatFindFirstNames(path, &found);
  if (find == nullptr) return;
  PlatFindClose(find);
  size_t directory = static_cast<size_t>(GetFileNamePart(out) - out);
  if (NamesEqual(found.name, out + directory) && directory + strlen(found.name) < kPathBuffer) {
    strcpy(out + directory, found.name);
  }
}

int IsValidDirectoryName(const char* path) {
  static const char kInvalid[] = "*+=;:\"?/<>,";
  if (strlen(path) < 3) return 0;
  char drive = path[0];
  int letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
  if (!letter || path[1] != ':' || path[2] != '\\') return 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path) + 3; *p; ++p) {
    if (*p < 0x20 || *p > 0x7E || strchr(kInvalid, *p) != nullptr) return 0;
  }
  return 1;
}

int MoveFileTo(const char* from, const char* to) {
  return PlatMoveFile(from, to);
}

uint32_t GetFileDosTime(const char* path) {
  PlatFile file = PlatOpenExclusive(path);
  if (file == kPlatNoFile) return 0;
  uint32_t time = PlatGetFileDosTime(file);
  PlatCloseFile(file);
  return time;
}

uint32_t GetFileSizeByName(const char* path) {
  PlatFile file = PlatOpenExclusive(path);
  if (file == kPlatNoFile) return 0;
  uint32_t size = PlatGetFileSize(file);
  PlatCloseFile(file);
  return size == kPlatFileError ? 0 : size;
}
