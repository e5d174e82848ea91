// FindFirstFileA / FindNextFileA on the simulated machine. The first call reads the whole
// directory: "." and ".." first (except at a drive root), then every matching name sorted
// without regard to case, so that runs are the same on every host. Wildcards follow Win32:
// "*" and "?" match case-insensitively, and "*.*" (or "X*.*") also matches names without a dot.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/host/host_backend.h"

namespace {

struct FindState {
  PlatFindData* entries;
  uint32_t count;
  uint32_t capacity;
  uint32_t next;
};

// "*" matches any run of characters, "?" exactly one; letters compare without regard to case.
int WildcardMatch(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern != '\0' && (*pattern == '?' || HostUpper(*pattern) == HostUpper(*name))) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return 0;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// Win32's extra rule: a pattern ending in ".*" or "." also matches a name without any dot
// against the pattern without that ending.
int PatternMatches(const char* pattern, const char* name) {
  if (WildcardMatch(pattern, name)) return 1;
  if (strchr(name, '.') != nullptr) return 0;
  char shorter[kPathBuffer];
  size_t length = strlen(pattern);
  size_t cut = 0;
  if (length >= 2 && strcmp(pattern + length - 2, ".*") == 0) {
    cut = 2;
  } else if (length >= 1 && pattern[length - 1] == '.') {
    cut = 1;
  }
  if (cut == 0 || length >= sizeof shorter) return 0;
  memcpy(shorter, pattern, length - cut);
  shorter[length - cut] = '\0';
  return WildcardMatch(shorter, name);
}

// A host name that Windows could show: it fits and holds no character Windows refuses.
int IsWindowsName(const char* name) {
  if (strlen(name) >= kPathBuffer) return 0;
  for (const char* c = name; *c != '\0'; ++c) {
    if (static_cast<unsigned char>(*c) < 0x20 || strchr("\\:*?\"<>|", *c) != nullptr) return 0;
  }
  return 1;
}

// The next entry of the state, filled in by the caller; null when out of memory.
PlatFindData* NewEntry(FindState* state) {
  if (state->count == state->capacity) {
    uint32_t capacity = state->capacity == 0 ? 16 : state->capacity * 2;
    void* grown = realloc(state->entries, capacity * sizeof(PlatFindData));
    if (grown == nullptr) return nullptr;
    state->entries = static_cast<PlatFindData*>(grown);
    state->capacity = capacity;
  }
  PlatFindData* entry = &state->entries[state->count++];
  memset(entry, 0, sizeof *entry);
  return entry;
}

int AddEntry(FindState* state, const char* name, const struct stat& info) {
  PlatFindData* found = NewEntry(state);
  if (found == nullptr) return 0;
  PlatFindData& entry = *found;
  entry.attributes = HostAttributes(info);
  entry.size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint32_t>(info.st_size & 0xFFFFFFFF);
  entry.dos_time = HostDosTime(info.st_mtime);
  HostCopyText(entry.name, sizeof entry.name, name);
  return 1;
}

int CompareEntries(const void* a, const void* b) {
  const char* left = static_cast<const PlatFindData*>(a)->name;
  const char* right = static_cast<const PlatFindData*>(b)->name;
  for (size_t i = 0;; ++i) {
    char l = HostUpper(left[i]);
    char r = HostUpper(right[i]);
    if (l != r) return static_cast<unsigned char>(l) < static_cast<unsigned char>(r) ? -1 : 1;
    if (l == '\0') return strcmp(left, right);
  }
}

// An entry known by name and kind alone (names_only): a directory, or else a file.
int AddNamed(FindState* state, const char* name, int directory) {
  PlatFindData* entry = NewEntry(state);
  if (entry == nullptr) return 0;
  entry->attributes = directory ? kAttrDirectory : kAttrArchive;
  HostCopyText(entry->name, sizeof entry->name, name);
  return 1;
}

// Adds the entries of the directory that match name_pattern; 0 when out of memory. With
// names_only an entry whose kind the folder listing gives is added without its status.
int ReadDirectory(const HostResolvedPath& dir, const char* name_pattern, int names_only,
                  FindState* state) {
  DIR* listing = opendir(dir.host);
  if (listing == nullptr) return 0;
  int ok = 1;
  if (strlen(dir.windows) > 3) {
    static const char* const kDots[] = {".", ".."};
    for (const char* dots : kDots) {
      char path[kHostPathMax];
      struct stat info;
      if (!PatternMatches(name_pattern, dots)) continue;
      if (names_only) {
        ok = ok && AddNamed(state, dots, 1);
      } else if (HostCopyText(path, sizeof path, dir.host) &&
                 HostAppendText(path, sizeof path, dots[1] == '.' ? "/.." : "/.") &&
                 stat(path, &info) == 0) {
        ok = ok && AddEntry(state, dots, info);
      }
    }
  }
  uint32_t first_named = state->count;
  while (const struct dirent* found = readdir(listing)) {
    const char* name = found->d_name;
    char path[kHostPathMax];
    struct stat info;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || !IsWindowsName(name) ||
        !PatternMatches(name_pattern, name)) {
      continue;
    }
    if (names_only && (found->d_type == DT_DIR || found->d_type == DT_REG)) {
      ok = ok && AddNamed(state, name, found->d_type == DT_DIR);
      continue;
    }
    if (!HostCopyText(path, sizeof path, dir.host) || !HostAppendText(path, sizeof path, "/") ||
        !HostAppendText(path, sizeof path, name) || stat(path, &info) != 0) {
      continue;
    }
    ok = ok && AddEntry(state, name, info);
  }
  closedir(listing);
  if (state->count > first_named) {
    qsort(state->entries + first_named, state->count - first_named, sizeof(PlatFindData),
          CompareEntries);
  }
  return ok;
}

PlatFind FindFirst(const char* pattern, int names_only, PlatFindData* found) {
  if (pattern == nullptr) return nullptr;
  // The directory part keeps its last separator, so that "C:\*.*" names the root itself.
  const char* name = pattern;
  for (const char* c = pattern; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/' || (c == pattern + 1 && *c == ':')) name = c + 1;
  }
  char dir_text[kPathBuffer];
  size_t dir_length = static_cast<size_t>(name - pattern);
  if (*name == '\0' || dir_length >= sizeof dir_text || strchr(name, ':') != nullptr) {
    return nullptr;
  }
  memcpy(dir_text, pattern, dir_length);
  dir_text[dir_length] = '\0';
  HostResolvedPath dir;
  if (!HostResolvePath(dir_length > 0 ? dir_text : ".", &dir)) return nullptr;
  FindState* state = static_cast<FindState*>(calloc(1, sizeof(FindState)));
  if (state == nullptr) return nullptr;
  if (!ReadDirectory(dir, name, names_only, state) || state->count == 0) {
    PlatFindClose(state);
    return nullptr;
  }
  *found = state->entries[0];
  state->next = 1;
  return state;
}

}  // namespace

PlatFind PlatFindFirst(const char* pattern, PlatFindData* found) {
  return FindFirst(pattern, 0, found);
}

PlatFind PlatFindFirstNames(const char* pattern, PlatFindData* found) {
  return FindFirst(pattern, 1, found);
}

int PlatFindNext(PlatFind find, PlatFindData* found) {
  FindState* state = static_cast<FindState*>(find);
  if (state == nullptr || state->next >= state->count) return 0;
  *found = state->entries[state->next++];
  return 1;
}

void PlatFindClose(PlatFind find) {
  FindState* state = static_cast<FindState*>(find);
  if (state == nullptr) return;
  free(state->entries);
  free(state);
}
