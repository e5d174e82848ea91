// Reads machine.ini, the description of a simulated machine (docs/host-machine.md): sections
// [machine], [drives], [free], [mounts], [windows], [modules], [progman] and [faults] of
// key=value lines. The reader is forgiving: unknown sections and keys, bad values and over-long
// lines are ignored and the default stays.
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "platform/host/host_backend.h"

namespace {

const size_t kLineMax = 1024;  // one line of machine.ini, NUL included

enum Section {
  kNoSection,
  kMachine,
  kDrives,
  kFree,
  kMounts,
  kWindows,
  kModules,
  kProgman,
  kFaults
};

Section SectionNamed(const char* name) {
  static const struct {
    const char* name;
    Section section;
  } kSections[] = {{"machine", kMachine}, {"drives", kDrives},   {"free", kFree},
                   {"mounts", kMounts},   {"windows", kWindows}, {"modules", kModules},
                   {"progman", kProgman}, {"faults", kFaults}};
  for (const auto& entry : kSections) {
    if (HostSameNoCase(name, entry.name)) return entry.section;
  }
  return kNoSection;
}

// "C" or "c": 0..25, else -1. suffix receives what follows the letter ("", ".cluster", ...).
int DriveKey(const char* key, const char** suffix) {
  char letter = HostUpper(key[0]);
  if (letter < 'A' || letter > 'Z') return -1;
  if (key[1] != '\0' && key[1] != '.') return -1;
  *suffix = key + 1;
  return letter - 'A';
}

// A number up to limit; a bigger one is cut to limit when clamp is 1, ignored otherwise.
// 1 when out was set.
int SetNumber(const char* value, uint64_t limit, int clamp, uint32_t* out) {
  uint64_t number;
  if (!HostParseNumber(value, &number)) return 0;
  if (number > limit && !clamp) return 0;
  *out = static_cast<uint32_t>(number > limit ? limit : number);
  return 1;
}

// A directory setting must be a full drive path; it is kept in its lexical full form.
void SetDirectory(const char* value, char* out) {
  char full[kPathBuffer];
  if (HostFullPath(value, "C:\\", full, sizeof full)) HostCopyText(out, kPathBuffer, full);
}

void ReadMachineKey(const char* key, const char* value, HostMachineInfo* info) {
  if (HostSameNoCase(key, "platform")) {
    SetNumber(value, 2, 0, &info->platform_id);
  } else if (HostSameNoCase(key, "processor")) {
    SetNumber(value, UINT32_MAX, 0, &info->processor);
  } else if (HostSameNoCase(key, "memory")) {
    // GlobalMemoryStatus reports at most 4 GB - 1 in its 32-bit field.
    SetNumber(value, UINT32_MAX, 1, &info->memory);
  } else if (HostSameNoCase(key, "windows_dir")) {
    SetDirectory(value, info->windows_dir);
  } else if (HostSameNoCase(key, "system_dir")) {
    SetDirectory(value, info->system_dir);
  } else if (HostSameNoCase(key, "current_dir")) {
    SetDirectory(value, info->current_dir);
  } else if (HostSameNoCase(key, "display_bits")) {
    SetNumber(value, 32, 0, &info->display_bits);
  } else if (HostSameNoCase(key, "display_colours")) {
    uint32_t colours = 0;
    if (strcmp(value, "-1") == 0) {
      info->display_colours = -1;
    } else if (SetNumber(value, 0x7FFFFFFF, 0, &colours)) {
      info->display_colours = static_cast<int32_t>(colours);
    }
  } else if (HostSameNoCase(key, "display_planes")) {
    SetNumber(value, 4, 0, &info->display_planes);
  } else if (HostSameNoCase(key, "screen_width")) {
    SetNumber(value, 4096, 0, &info->screen_width);
  } else if (HostSameNoCase(key, "screen_height")) {
    SetNumber(value, 4096, 0, &info->screen_height);
  } else if (HostSameNoCase(key, "ole_build")) {
    SetNumber(value, UINT32_MAX, 0, &info->ole_build);
  } else if (HostSameNoCase(key, "end_session")) {
    uint32_t flag = 0;
    if (SetNumber(value, 1, 0, &flag)) info->end_session = static_cast<int>(flag);
  }
}

void ReadDriveType(const char* key, const char* value, HostMachineInfo* info) {
  static const struct {
    const char* name;
    PlatDriveType type;
  } kTypes[] = {{"removable", kDriveRemovable}, {"fixed", kDriveFixed},
                {"remote", kDriveRemote},       {"cdrom", kDriveCdRom},
                {"ramdisk", kDriveRamDisk},     {"none", kDriveNoRootDir}};
  const char* suffix;
  int drive = DriveKey(key, &suffix);
  if (drive < 0 || *suffix != '\0') return;
  for (const auto& entry : kTypes) {
    if (HostSameNoCase(value, entry.name)) info->drives[drive].type = entry.type;
  }
}

void ReadFreeSpace(const char* key, const char* value, HostMachineInfo* info) {
  const char* suffix;
  int drive = DriveKey(key, &suffix);
  uint64_t number;
  if (drive < 0 || !HostParseNumber(value, &number)) return;
  HostDrive& entry = info->drives[drive];
  if (*suffix == '\0') {
    entry.has_free = 1;
    entry.free_bytes = number;
  } else if (HostSameNoCase(suffix, ".total")) {
    entry.has_total = 1;
    entry.total_bytes = number;
  } else if (HostSameNoCase(suffix, ".track")) {
    if (number <= 1) entry.track_free = static_cast<int>(number);
  } else if (HostSameNoCase(suffix, ".cluster")) {
    // Win95 file systems use clusters of 1 to 128 sectors of 512 bytes.
    if (number >= 512 && number <= 65536 && number % 512 == 0) {
      entry.cluster_bytes = static_cast<uint32_t>(number);
    }
  }
}

void ReadMount(const char* key, const char* value, HostMachineInfo* info) {
  const char* suffix;
  int drive = DriveKey(key, &suffix);
  if (drive < 0 || *suffix != '\0') return;
  HostDrive& entry = info->drives[drive];
  if (*value == '\0') {
    entry.mounted = 0;
    entry.mount[0] = '\0';
    return;
  }
  if (value[0] != '/' || strlen(value) >= sizeof entry.mount) return;
  HostCopyText(entry.mount, sizeof entry.mount, value);
  size_t length = strlen(entry.mount);
  while (length > 1 && entry.mount[length - 1] == '/') entry.mount[--length] = '\0';
  entry.mounted = 1;
}

void AddName(const char* value, char (*list)[kHostNameMax], int* count) {
  if (*count >= kHostListMax || *value == '\0') return;
  if (HostCopyText(list[*count], kHostNameMax, value)) ++*count;
}

void AddCommand(const char* value, char (*list)[kHostCommandNameMax], int* count) {
  if (*count >= kHostCommandListMax || *value == '\0') return;
  if (HostCopyText(list[*count], kHostCommandNameMax, value)) ++*count;
}

void ReadProgmanKey(const char* key, const char* value, HostProgmanInfo* progman) {
  uint32_t number = 0;
  if (HostSameNoCase(key, "servers")) {
    if (SetNumber(value, 2, 0, &number)) progman->servers = static_cast<int>(number);
  } else if (HostSameNoCase(key, "minimized")) {
    if (SetNumber(value, 1, 0, &number)) progman->minimized = static_cast<int>(number);
  } else if (HostSameNoCase(key, "terminate_after")) {
    SetNumber(value, UINT32_MAX, 0, &progman->terminate_after);
  } else if (HostSameNoCase(key, "refuse")) {
    AddCommand(value, progman->refuse, &progman->refuse_count);
  } else if (HostSameNoCase(key, "ignore")) {
    AddCommand(value, progman->ignore, &progman->ignore_count);
  }
}

// "KIND = N [persistent] [PATH]  ; comment": a rule of the fault plan, its filter ending the
// path. A malformed rule is ignored.
void ReadFaultRule(const char* key, char* value) {
  HostFault fault = {};
  if (!HostFaultKindNamed(key, &fault.kind)) return;
  for (char* at = value; *at != '\0'; ++at) {
    if (*at == ';' && at > value && (at[-1] == ' ' || at[-1] == '\t')) {
      *at = '\0';
      break;
    }
  }
  char* rest = value;
  while (*rest != '\0' && *rest != ' ' && *rest != '\t') ++rest;
  if (*rest != '\0') *rest++ = '\0';
  uint64_t nth;
  if (!HostParseNumber(value, &nth) || nth == 0 || nth > UINT32_MAX) return;
  fault.nth = static_cast<uint32_t>(nth);
  rest = HostTrim(rest);
  const char* word = "persistent";
  size_t word_length = strlen(word);
  if (strncasecmp(rest, word, word_length) == 0 &&
      (rest[word_length] == '\0' || rest[word_length] == ' ' || rest[word_length] == '\t')) {
    fault.persistent = 1;
    rest = HostTrim(rest + word_length);
  }
  fault.path = *rest != '\0' ? rest : nullptr;
  HostFaultAddRule(fault, 1);
}

void ReadLine(char* line, Section* section, HostMachineInfo* info) {
  char* text = HostTrim(line);
  if (*text == '\0' || *text == ';' || *text == '#') return;
  if (*text == '[') {
    char* end = strchr(text, ']');
    if (end == nullptr) return;
    *end = '\0';
    *section = SectionNamed(HostTrim(text + 1));
    return;
  }
  char* equals = strchr(text, '=');
  if (equals == nullptr) return;
  *equals = '\0';
  const char* key = HostTrim(text);
  char* value = HostTrim(equals + 1);
  switch (*section) {
    case kMachine:
      ReadMachineKey(key, value, info);
      break;
    case kDrives:
      ReadDriveType(key, value, info);
      break;
    case kFree:
      ReadFreeSpace(key, value, info);
      break;
    case kMounts:
      ReadMount(key, value, info);
      break;
    case kWindows:
      if (HostSameNoCase(key, "class")) AddName(value, info->classes, &info->class_count);
      break;
    case kModules:
      if (HostSameNoCase(key, "module")) AddName(value, info->modules, &info->module_count);
      break;
    case kProgman:
      ReadProgmanKey(key, value, &info->progman);
      break;
    case kFaults:
      ReadFaultRule(key, value);
      break;
    case kNoSection:
      break;
  }
}

}  // namespace

void HostMachineDefaults(HostMachineInfo* info) {
  memset(info, 0, sizeof *info);
  info->platform_id = 1;
  info->processor = 586;
  info->memory = 33554432;
  HostCopyText(info->windows_dir, sizeof info->windows_dir, "C:\\WINDOWS");
  HostCopyText(info->system_dir, sizeof info->system_dir, "C:\\WINDOWS\\SYSTEM");
  HostCopyText(info->current_dir, sizeof info->current_dir, "C:\\");
  info->display_bits = 24;
  info->display_colours = -1;
  info->display_planes = 1;
  info->screen_width = 800;
  info->screen_height = 600;
  info->progman.servers = -1;
  info->ole_build = 0x00170280;  // 23.640, OLE 2 of Windows 95
  for (HostDrive& drive : info->drives) {
    drive.type = kDriveUnknown;
    drive.cluster_bytes = kHostDefaultCluster;
  }
  info->drives['C' - 'A'].type = kDriveFixed;
  HostDrive& z = info->drives['Z' - 'A'];
  z.mounted = 1;
  HostCopyText(z.mount, sizeof z.mount, "/");
}

void HostReadMachineIni(const char* ini_path, HostMachineInfo* info) {
  FILE* file = fopen(ini_path, "r");
  if (file == nullptr) return;
  char line[kLineMax];
  Section section = kNoSection;
  while (fgets(line, sizeof line, file) != nullptr) {
    size_t length = strlen(line);
    if (length == sizeof line - 1 && line[length - 1] != '\n') {
      int c;
      while ((c = fgetc(file)) != EOF && c != '\n') {
      }
      continue;  // an over-long line is ignored as a whole
    }
    ReadLine(line, &section, info);
  }
  fclose(file);
}
