// Profile strings of the simulated machine: WIN.INI in the Windows directory and any other INI
// file, read and written with Windows' rules through the machine's own file calls (so that
// read-only files, open files and the fault plan apply). A write changes only the lines it must
// and ends every line it writes with CR LF.
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/host/host_backend.h"
#include "platform/profile.h"

namespace {

// A whole INI file in memory (malloc), NUL-terminated.
struct Ini {
  char* bytes;
  uint32_t size;
};

// One line: its text [start, end) without the line end, and where the next line starts.
struct Line {
  uint32_t start;
  uint32_t end;
  uint32_t next;
};

// What a look-up found: the section, the key's line and its value, and where a new key of the
// section goes (after its last line that is not blank).
struct Place {
  int section;
  int key;
  Line key_line;
  uint32_t key_start;
  uint32_t key_end;
  uint32_t value_start;
  uint32_t value_end;
  uint32_t insert;
  int ends_blank;  // the file's last line is blank (or there is none)
};

int WindowsFile(const char* name, char* out) {
  const char* windows_dir = HostInfo().windows_dir;
  size_t length = strlen(windows_dir);
  return HostCopyText(out, kPathBuffer, windows_dir) &&
         (length > 0 && windows_dir[length - 1] == '\\' ? 1
                                                        : HostAppendText(out, kPathBuffer, "\\")) &&
         HostAppendText(out, kPathBuffer, name);
}

// The whole file; a missing file reads as empty. 0 when it exists but cannot be read.
int ReadIni(const char* path, Ini* ini) {
  *ini = Ini{nullptr, 0};
  if (PlatGetFileAttributes(path) == kPlatNoAttributes) return 1;
  PlatFile file = PlatOpenFile(path, kOpenRead);
  if (file == kPlatNoFile) return 0;
  uint32_t size = PlatGetFileSize(file);
  char* bytes = size != kPlatFileError ? static_cast<char*>(malloc(size + 1ul)) : nullptr;
  int ok = bytes != nullptr && (size == 0 || PlatReadFile(file, bytes, size) == size);
  PlatCloseFile(file);
  if (!ok) {
    free(bytes);
    return 0;
  }
  bytes[size] = '\0';
  *ini = Ini{bytes, size};
  return 1;
}

int NextLine(const Ini& ini, uint32_t at, Line* line) {
  if (at >= ini.size) return 0;
  const char* newline = static_cast<const char*>(memchr(ini.bytes + at, '\n', ini.size - at));
  uint32_t end = newline != nullptr ? static_cast<uint32_t>(newline - ini.bytes) : ini.size;
  line->start = at;
  line->next = newline != nullptr ? end + 1 : end;
  line->end = end > at && ini.bytes[end - 1] == '\r' ? end - 1 : end;
  return 1;
}

int IsBlank(char c) {
  return c == ' ' || c == '\t';
}

void Trim(const Ini& ini, uint32_t* start, uint32_t* end) {
  while (*start < *end && IsBlank(ini.bytes[*start])) ++*start;
  while (*end > *start && IsBlank(ini.bytes[*end - 1])) --*end;
}

int RangeIs(const Ini& ini, uint32_t start, uint32_t end, const char* text) {
  size_t length = strlen(text);
  if (end - start != length) return 0;
  for (size_t i = 0; i < length; ++i) {
    if (HostUpper(ini.bytes[start + i]) != HostUpper(text[i])) return 0;
  }
  return 1;
}

// "[name]" (blanks allowed around the name): 1 and the name's range.
int SectionName(const Ini& ini, const Line& line, uint32_t* start, uint32_t* end) {
  uint32_t at = line.start;
  uint32_t stop = line.end;
  Trim(ini, &at, &stop);
  if (at == stop || ini.bytes[at] != '[') return 0;
  *start = at + 1;
  const char* close = static_cast<const char*>(memchr(ini.bytes + *start, ']', stop - *start));
  *end = close != nullptr ? static_cast<uint32_t>(close - ini.bytes) : stop;
  Trim(ini, start, end);
  return 1;
}

void FindPlace(const Ini& ini, const char* section, const char* key, Place* place) {
  memset(place, 0, sizeof *place);
  place->ends_blank = 1;
  int inside = 0;
  Line line;
  for (uint32_t at = 0; NextLine(ini, at, &line); at = line.next) {
    uint32_t start = line.start;
    uint32_t end = line.end;
    Trim(ini, &start, &end);
    place->ends_blank = start == end;
    if (SectionName(ini, line, &start, &end)) {
      inside = !place->section && RangeIs(ini, start, end, section);
      if (inside) {
        place->section = 1;
        place->insert = line.next;
      }
      continue;
    }
    if (!inside || place->ends_blank) continue;
    place->insert = line.next;
    const char* equals =
        static_cast<const char*>(memchr(ini.bytes + line.start, '=', line.end - line.start));
    if (equals == nullptr || place->key) continue;
    uint32_t key_start = line.start;
    uint32_t key_end = static_cast<uint32_t>(equals - ini.bytes);
    Trim(ini, &key_start, &key_end);
    if (!RangeIs(ini, key_start, key_end, key)) continue;
    place->key = 1;
    place->key_line = line;
    place->key_start = key_start;
    place->key_end = key_end;
    place->value_start = static_cast<uint32_t>(equals - ini.bytes) + 1;
    place->value_end = line.end;
    Trim(ini, &place->value_start, &place->value_end);
  }
}

// Texts that would break the file's lines are refused.
int Writable(const char* section, const char* key, const char* value) {
  if (section == nullptr || key == nullptr || value == nullptr || *section == '\0' ||
      *key == '\0') {
    return 0;
  }
  return strpbrk(section, "]\r\n") == nullptr && strpbrk(key, "=\r\n") == nullptr &&
         strpbrk(value, "\r\n") == nullptr;
}

struct Output {
  char* bytes;
  uint32_t size;
};

void Put(Output* out, const char* bytes, size_t length) {
  if (length == 0) return;  // bytes may be null: a missing file has none
  memcpy(out->bytes + out->size, bytes, length);
  out->size += static_cast<uint32_t>(length);
}
void PutText(Output* out, const char* text) {
  Put(out, text, strlen(text));
}
void PutEntry(Output* out, const char* key, size_t key_length, const char* value) {
  Put(out, key, key_length);
  PutText(out, "=");
  PutText(out, value);
  PutText(out, "\r\n");
}

// The file with the value set, in out (malloc); 0 when memory is short.
int Rewrite(const Ini& ini, const char* section, const char* key, const char* value, Output* out) {
  Place place;
  FindPlace(ini, section, key, &place);
  size_t room = ini.size + strlen(section) + strlen(key) + strlen(value) + 16;
  out->bytes = static_cast<char*>(malloc(room));
  out->size = 0;
  if (out->bytes == nullptr) return 0;
  if (place.key) {
    Put(out, ini.bytes, place.key_line.start);
    PutEntry(out, ini.bytes + place.key_start, place.key_end - place.key_start, value);
    Put(out, ini.bytes + place.key_line.next, ini.size - place.key_line.next);
  } else if (place.section) {
    Put(out, ini.bytes, place.insert);
    if (place.insert > 0 && ini.bytes[place.insert - 1] != '\n') PutText(out, "\r\n");
    PutEntry(out, key, strlen(key), value);
    Put(out, ini.bytes + place.insert, ini.size - place.insert);
  } else {
    Put(out, ini.bytes, ini.size);
    if (ini.size > 0 && ini.bytes[ini.size - 1] != '\n') PutText(out, "\r\n");
    if (!place.ends_blank) PutText(out, "\r\n");
    PutText(out, "[");
    PutText(out, section);
    PutText(out, "]\r\n");
    PutEntry(out, key, strlen(key), value);
  }
  return 1;
}

// The name with a suffix added; 0 when it does not fit.
int NameBeside(const char* path, const char* suffix, char* out) {
  return HostCopyText(out, kPathBuffer, path) && HostAppendText(out, kPathBuffer, suffix);
}

// Moves the file aside (".old"), the new one into its place, and deletes the old one; when the
// second move fails, the old file is moved back. 1 when the new file is in place.
int MoveIntoPlace(const char* fresh, const char* path) {
  char old[kPathBuffer];
  if (!NameBeside(path, ".old", old)) return 0;
  int existed = PlatGetFileAttributes(path) != kPlatNoAttributes;
  if (existed) {
    PlatDeleteFile(old);  // left by an earlier failure
    if (!PlatMoveFile(path, old)) return 0;
  }
  if (!PlatMoveFile(fresh, path)) {
    if (existed) PlatMoveFile(old, path);
    return 0;
  }
  if (existed) PlatDeleteFile(old);
  return 1;
}

// Writes the new contents whole under the name with ".new" added and only then puts them in
// place by moves, so that a write that fails (disk full) leaves the file as it was. A file that
// cannot be moved (read-only, open) stays as it was, and the new one is deleted.
int ReplaceIni(const char* path, const Output& out) {
  char fresh[kPathBuffer];
  if (!NameBeside(path, ".new", fresh)) return 0;
  PlatFile file = PlatCreateFile(fresh);
  if (file == kPlatNoFile) return 0;
  int ok = PlatWriteFile(file, out.bytes, out.size) == out.size;
  ok = PlatCloseFile(file) && ok;
  ok = ok && MoveIntoPlace(fresh, path);
  if (!ok) PlatDeleteFile(fresh);
  return ok;
}

int WriteIni(const char* path, const char* section, const char* key, const char* value) {
  Ini ini;
  if (!Writable(section, key, value) || !ReadIni(path, &ini)) return 0;
  Output out;
  int ok = Rewrite(ini, section, key, value, &out);
  free(ini.bytes);
  ok = ok && ReplaceIni(path, out);
  free(out.bytes);
  return ok;
}

}  // namespace

uint32_t PlatGetProfileString(const char* section, const char* key, const char* default_text,
                              char* out, uint32_t size) {
  if (size == 0) return 0;
  out[0] = '\0';
  char path[kPathBuffer];
  Ini ini = {nullptr, 0};
  if (section == nullptr || key == nullptr || !WindowsFile("WIN.INI", path) ||
      !ReadIni(path, &ini)) {
    return 0;
  }
  Place place;
  FindPlace(ini, section, key, &place);
  const char* text = default_text != nullptr ? default_text : "";
  uint32_t length = static_cast<uint32_t>(strlen(text));
  if (place.key) {
    text = ini.bytes + place.value_start;
    length = place.value_end - place.value_start;
    // A value between matching quotes is read without them.
    if (length >= 2 && (text[0] == '"' || text[0] == '\'') && text[length - 1] == text[0]) {
      ++text;
      length -= 2;
    }
  }
  uint32_t result = 0;
  if (length < size) {
    memcpy(out, text, length);
    out[length] = '\0';
    result = length;
  }
  free(ini.bytes);
  return result;
}

int PlatWriteProfileString(const char* section, const char* key, const char* value) {
  char path[kPathBuffer];
  return WindowsFile("WIN.INI", path) && WriteIni(path, section, key, value);
}

int PlatWritePrivateProfileString(const char* section, const char* key, const char* value,
                                  const char* file) {
  char path[kPathBuffer];
  if (file == nullptr) return 0;
  if (strpbrk(file, "\\/:") == nullptr) {
    if (!WindowsFile(file, path)) return 0;
  } else if (!HostCopyText(path, sizeof path, file)) {
    return 0;
  }
  return WriteIni(path, section, key, value);
}
